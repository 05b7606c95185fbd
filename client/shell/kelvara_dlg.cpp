#include "shell/kelvara_dlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "common/serial_access.h"
#include "config/connection_panel.h"
#include "config/profile_store.h"
#include "config/qt_notifier.h"
#include "config/setting_panel.h"
#include "config/updater_run.h"
#include "display/distance_percentiles.h"
#include "display/picture_window.h"
#include "display/view_panel.h"
#include "feed3d/viewer_window.h"
#include "logging/log_names.h"
#include "logging/logging_panel.h"
#include "logging/run_destination.h"
#include "logging/snapshot.h"
#include "playback/playback_bar.h"
#include "record/record_destination.h"
#include "status/window_placement.h"
#include "trends/trends_window.h"
#include "widgets/window_messages.h"

#ifndef KELVARA_VERSION
#define KELVARA_VERSION ""
#endif

namespace kelvara {
namespace {

constexpr const char* kCaption = "Qor Imager";

}  // namespace

CKelvaraDlg::CKelvaraDlg(const ClientPaths& paths, Notifier& notifier, SerialLibrary& serial,
                         Display3DOptions options3d, QWidget* parent)
    : QDialog(parent), paths_(paths), notifier_(notifier), observer_(outputs_, notifier_) {
  IniSetFilePath(paths_.profile_path);
  SessionOptions options;
  options.program_folder = paths_.program_folder;
  // The exchange files and the upload marker live in the data folder.
  options.data_folder = paths_.data_folder;
  options.upload_runner = SpawnAndWait;
  options.post = [this](std::function<void()> task) { observer_.Post(std::move(task)); };
  options.display3d = std::move(options3d);
  // The bridge keeps its "3D" keys in the client's profile.
  if (options.display3d.profile_path.empty()) options.display3d.profile_path = paths_.profile_path;
  camera_ = std::make_unique<CameraSwitch>(serial);
  options.frame_gate = camera_.get();
  session_ = std::make_unique<Session>(*camera_, observer_, std::move(options));
  observer_.SetStateHandler([this](SessionState state) { SessionStateChanged(state); });
  observer_.SetFrameHandler(
      [this](const unsigned char* frame, size_t size) { last_frame_.Keep(frame, size, session_->FormatIndex()); });
  if (auto* boxes = dynamic_cast<QtNotifier*>(&notifier_)) boxes->SetParent(this);
  Initialise();
}

CKelvaraDlg::~CKelvaraDlg() {
  Shutdown();
  // The panels use the log writer and the rendering model: they go first.
  delete view_;
  delete logging_;
  delete setting_;
  delete connection_;
}

void CKelvaraDlg::Initialise() {
  setObjectName(QStringLiteral("id100"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  client_title_ = QString::fromLatin1(kCaption);
  const QString version = QStringLiteral(KELVARA_VERSION);
  if (!version.isEmpty()) client_title_ = QString::asprintf("%s Client Version %s ", kCaption, KELVARA_VERSION);
  setWindowTitle(client_title_);
  setAccessibleName(QString::fromLatin1(kCaption));

  // Four group boxes without text; each panel sits inside one. The status
  // bar lies under them.
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  auto* columns = new QHBoxLayout();
  columns->setContentsMargins(9, 9, 9, 9);
  outer->addLayout(columns, 1);
  // The playback bar, shown while a recording is open, above the status bar.
  playback_ = new PlaybackBar(camera_->control(), this);
  playback_->setObjectName(QStringLiteral("playback"));
  playback_->hide();
  playback_->SetActionListener([this](PlaybackBar::Action action) { PlaybackAsked(static_cast<int>(action)); });
  auto* playback_row = new QHBoxLayout();
  playback_row->setContentsMargins(9, 0, 9, 2);
  playback_row->addWidget(playback_);
  outer->addLayout(playback_row);
  status_ = new StatusStrip(this);
  outer->addWidget(status_);
  // The counters follow a run a few times a second.
  health_timer_ = new QTimer(this);
  health_timer_->setInterval(250);
  connect(health_timer_, &QTimer::timeout, this, [this] { ShowHealthNow(); });
  auto* left = new QVBoxLayout();
  auto* right = new QVBoxLayout();
  columns->addLayout(left);
  columns->addLayout(right);
  for (int i = 0; i < 4; ++i) {
    boxes_[i] = new QGroupBox(this);
    boxes_[i]->setObjectName(QStringLiteral("id%1").arg(200 + i));
    boxes_[i]->setFlat(true);
    auto* inside = new QVBoxLayout(boxes_[i]);
    inside->setContentsMargins(0, 0, 0, 0);
  }
  left->addWidget(boxes_[0]);
  left->addWidget(boxes_[1], 1);
  right->addWidget(boxes_[2], 1);
  right->addWidget(boxes_[3]);

  connection_ = new CConnection(boxes_[0], this, session_->link());
  boxes_[0]->layout()->addWidget(connection_);
  connection_->SetConnector([this](int port, const std::string& name) { ConnectTo(port, name); });
  connection_->SetRecordingOpener([this](const std::string& path) { OpenRecording(path); });
  setting_ = new CSetting(boxes_[1], this, session_->model(), notifier_);
  boxes_[1]->layout()->addWidget(setting_);
  // Made in the order of the screen (left column, then right), which the
  // Tab key follows.
  view_ = new CViewImage(boxes_[2], this, Profile(paths_.profile_path));
  boxes_[2]->layout()->addWidget(view_);
  logging_ = new CLogging(boxes_[3], this, session_->logger(), Profile(paths_.profile_path));
  boxes_[3]->layout()->addWidget(logging_);
  view_->SetNotifier(&notifier_);
  // Keys for the main buttons (Alt with a letter), named in their tooltips.
  const struct {
    QWidget* panel;
    const char* id;
    QKeySequence key;
  } keys[] = {
      {connection_, "id1003", QKeySequence(Qt::ALT | Qt::Key_R)},  // Refresh
      {connection_, "id1004", QKeySequence(Qt::ALT | Qt::Key_C)},  // Connect
      {setting_, "id2003", QKeySequence(Qt::ALT | Qt::Key_E)},     // Set
      {view_, "id3001", QKeySequence(Qt::ALT | Qt::Key_P)},        // Picture
      {view_, "id3000", QKeySequence(Qt::ALT | Qt::Key_S)},        // Start / Stop
      {view_, "id3002", QKeySequence(Qt::ALT | Qt::Key_3)},        // 3D Start / 3D Stop
      {view_, "id3003", QKeySequence(Qt::ALT | Qt::Key_A)},        // Auto range
      {logging_, "id3000", QKeySequence(Qt::ALT | Qt::Key_L)},     // logging Start / Stop
  };
  for (const auto& k : keys) {
    auto* button = k.panel->findChild<QAbstractButton*>(QString::fromLatin1(k.id));
    if (!button) continue;
    // A shortcut of its own: a button's caption change (Start, Stop) would
    // clear one set on the button.
    auto* shortcut = new QShortcut(k.key, this);
    connect(shortcut, &QShortcut::activated, button, [button] {
      if (button->isEnabled() && button->isVisible()) button->click();
    });
    const QString key = k.key.toString(QKeySequence::NativeText);
    button->setToolTip(button->toolTip().isEmpty() ? key : button->toolTip() + QStringLiteral(" (") + key + ')');
  }
  view_->SetSnapshotAction([this] { TakeSnapshot(); });
  view_->SetRecordAction([this](bool down) { return RecordPressed(down); });
  // The "Recorded" item follows a recording a few times a second.
  record_timer_ = new QTimer(this);
  record_timer_->setInterval(500);
  connect(record_timer_, &QTimer::timeout, this, [this] { ShowRecordingNow(); });
  // Ctrl+S from any of the client's windows.
  auto* snapshot_key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
  snapshot_key->setContext(Qt::ApplicationShortcut);
  connect(snapshot_key, &QShortcut::activated, this, [this] { TakeSnapshot(); });
  // "Auto range": from the distances of the picture on screen.
  view_->SetAutoRangeSource([this]() -> std::optional<DistanceRange> {
    RenderingModel& model = session_->rendering();
    if (IsAmplitudeOnlyFormat(model.display_format.load())) return std::nullopt;
    PictureReader reader = model.ReadPicture();
    if (!reader.SlotReady(0)) return std::nullopt;
    return PercentileRange(reader.SamplePlane(0), kFrameWidth * kFrameHeight, 0.02, 0.98, kDistanceLimitMm);
  });
  logging_->SetNotifier(&notifier_);
  picture_ = std::make_unique<CViewPicture>(session_->rendering());
  picture_->SetPixelListener([this](const QString& text) { status_->ShowPixel(text); });
  picture_->SetPointSource([this](int index) -> std::optional<PointMm> {
    PointRecord point;
    if (!last_frame_.PointAt(index, &point)) return std::nullopt;
    return PointMm{point.x, point.y, point.z};
  });
  picture_->SetMeasureListener([this](const MeasureMarks& marks) { ShowMeasured(marks); });
  trends_ = std::make_unique<TrendsWindow>(session_->rendering(), LoadWarmUpThresholds(Profile::Current()));
  trends_->SetWarmUpListener([this](WarmUpState state) { status_->ShowWarmUp(WarmUpText(state)); });
  // The histogram's markers set the range as the range fields do.
  trends_->SetRangeListener([this](int minimum, int maximum) { view_->SetViewRange(minimum, maximum); });
  view_->SetTrendsAction([this] {
    if (!trends_placed_) PlaceTrends();
    trends_->show();
    trends_->raise();
    trends_->activateWindow();
    trends_->FrameRendered();
  });
  outputs_.SetWindows({this, view_, logging_, picture_.get(), trends_.get()});
  connection_->Initialise();

  setting_->SetParameterPanelEnabled(false);
  logging_->EnableControls(0);
  view_->EnableControls(0);
  setWindowTitle(client_title_);
}

void CKelvaraDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (picture_placed_ || !picture_) return;
  picture_placed_ = true;
  PlaceWindows();
  picture_->show();
}

namespace {

constexpr char kPlaces[] = "Windows";

ScreenRect ToScreenRect(const QRect& r) { return ScreenRect{r.x(), r.y(), r.width(), r.height()}; }

// A place kept in the profile under `prefix`; false when there is none.
bool ReadPlace(const char* prefix, ScreenRect* rect) {
  const std::string p(prefix);
  int values[4] = {0, 0, 0, 0};
  const char* keys[4] = {"Left", "Top", "Width", "Height"};
  for (int i = 0; i < 4; ++i) {
    if (!IniReadInt(kPlaces, p + keys[i], -1, &values[i]) || values[i] == -1) return false;
  }
  *rect = ScreenRect{values[0], values[1], values[2], values[3]};
  return rect->width > 0 && rect->height > 0;
}

void WritePlace(const char* prefix, const QRect& r) {
  const std::string p(prefix);
  IniWriteInt(kPlaces, p + "Left", r.x());
  IniWriteInt(kPlaces, p + "Top", r.y());
  IniWriteInt(kPlaces, p + "Width", r.width());
  IniWriteInt(kPlaces, p + "Height", r.height());
}

// The rectangle of `widget` in screen coordinates.
QRect GlobalRect(const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

// The View panel's row of buttons (Picture to Record), in screen coordinates.
QRect ViewButtons(const QWidget* view) {
  QRect buttons;
  for (const char* id : {"id3001", "id3000", "id3002", "id3003", "id3004", "id3065"}) {
    if (const auto* button = view->findChild<QWidget*>(QString::fromLatin1(id))) buttons |= GlobalRect(button);
  }
  return buttons;
}

}  // namespace

void CKelvaraDlg::PlaceWindows() {
  const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!where) return;
  const ScreenRect area = ToScreenRect(where->availableGeometry());
  // Frames: the window manager's decorations are known only once shown.
  const QSize frame_extra = frameGeometry().size() - geometry().size();
  const QSize dialog_size = frameGeometry().size();
  const QSize picture_size = picture_->frameGeometry().size();
  ScreenRect saved_dialog, saved_picture;
  const bool dialog_kept = ReadPlace("Dialog", &saved_dialog);
  const ScreenRect dialog = PlaceDialog(area, dialog_size.width(), dialog_size.height(), picture_size.width(),
                                        picture_size.height(), dialog_kept ? &saved_dialog : nullptr);
  move(dialog.x, dialog.y);
  // The panels' places on the screen, from where the dialog now is.
  const QPoint shift = QPoint(dialog.x, dialog.y) - frameGeometry().topLeft();
  QRect settings = GlobalRect(boxes_[1]).translated(shift);
  const QRect buttons = ViewButtons(view_).translated(shift);
  const bool picture_kept = ReadPlace("Picture", &saved_picture);
  const ScreenRect picture =
      PlaceBeside(area, dialog, ToScreenRect(settings), ToScreenRect(buttons), picture_size.width(),
                  picture_size.height(), picture_kept ? &saved_picture : nullptr);
  picture_->resize(QSize(picture.width, picture.height) - frame_extra);
  picture_->move(picture.x, picture.y);
}

void CKelvaraDlg::PlaceTrends() {
  const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!where) return;
  trends_placed_ = true;
  ScreenRect saved;
  const bool kept = ReadPlace("Trends", &saved);
  // Its frame as the dialog's: the window manager's decorations are known only once shown.
  const QSize frame_extra = frameGeometry().size() - geometry().size();
  const QSize size = trends_->size().expandedTo(trends_->sizeHint()) + frame_extra;
  QRect beside = frameGeometry();
  if (picture_ && picture_->isVisible()) beside |= picture_->frameGeometry();
  const ScreenRect place =
      PlaceBeside(ToScreenRect(where->availableGeometry()), ToScreenRect(beside), ToScreenRect(GlobalRect(boxes_[1])),
                  ToScreenRect(ViewButtons(view_)), size.width(), size.height(), kept ? &saved : nullptr);
  trends_->resize(QSize(place.width, place.height) - frame_extra);
  trends_->move(place.x, place.y);
}

void CKelvaraDlg::PlaceViewerWhenShown() {
  if (!viewer_timer_) {
    viewer_timer_ = new QTimer(this);
    viewer_timer_->setInterval(200);
    connect(viewer_timer_, &QTimer::timeout, this, [this] {
      WindowBox box;
      if (++viewer_tries_ > 150 || !session_->Display3DOn()) {
        viewer_timer_->stop();
        return;
      }
      if (!FindTopLevelWindow(kViewerWindowTitle, &box)) return;
      // The viewer may size its window again just after it appears: it is
      // placed again while it does, then left where the user puts it.
      const bool where_placed = box.x == viewer_placed_.x && box.y == viewer_placed_.y &&
                                box.width == viewer_placed_.width && box.height == viewer_placed_.height;
      if (viewer_placings_ > 0 && (where_placed || viewer_placings_ >= 3)) {
        if (++viewer_still_ >= 5) viewer_timer_->stop();
        return;
      }
      // Beside the dialog like the picture window, clear of the View panel's buttons.
      const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
      if (!where) return;
      const QRect buttons = ViewButtons(view_);
      const ScreenRect place =
          PlaceBeside(ToScreenRect(where->availableGeometry()), ToScreenRect(frameGeometry()),
                      ToScreenRect(GlobalRect(boxes_[1])), ToScreenRect(buttons), box.width, box.height, nullptr);
      // Where the viewer fits only narrower (keeping its shape), it is resized too.
      viewer_placed_ = WindowBox{place.x, place.y, place.width, place.height};
      viewer_still_ = 0;
      ++viewer_placings_;
      if (!(place == ScreenRect{box.x, box.y, box.width, box.height}))
        PlaceTopLevelWindow(kViewerWindowTitle, viewer_placed_);
    });
  }
  viewer_tries_ = 0;
  viewer_placings_ = 0;
  viewer_still_ = 0;
  viewer_timer_->start();
}

bool CKelvaraDlg::RecordPressed(bool down) {
  if (shut_down_) return false;
  if (!down) {
    if (recording_shown_) {
      session_->StopRecording();
      RecordingEnded();
    }
    return true;
  }
  const SessionState state = session_->State();
  if (state == SessionState::kDisconnected || state == SessionState::kConnecting) {
    notifier_.ShowMessage("Record: not connected. Connect to the camera first, then press Record.",
                          MessageIcon::kExclamation);
    return false;
  }
  const LoggingOptions options = logging_->CurrentOptions();
  const std::string folder = CleanFolderText(options.save_path);
  const std::string path = RecordingPath(folder, options.file_name, std::time(nullptr));
  std::string refusal = RefuseRecording(folder, options.file_name, path);
  if (refusal.empty()) {
    std::string error;
    switch (session_->StartRecording(path, &error)) {
      case RecordStart::kStarted: break;
      case RecordStart::kFileFailed: refusal = "Cannot record into " + path + ": " + error; break;
      default: refusal = "Record: " + error; break;
    }
  }
  if (!refusal.empty()) {
    notifier_.ShowMessage(refusal, MessageIcon::kExclamation);
    return false;
  }
  recording_shown_ = true;
  any_recording_ = true;
  status_->ShowLine(QStringLiteral("Recording to %1").arg(QString::fromStdString(path)));
  ShowRecordingNow();
  record_timer_->start();
  return true;
}

void CKelvaraDlg::ShowRecordingNow() {
  const RecordingStatus status = session_->Recording();
  status_->ShowRecorded(RecordedText(status.frames, status.bytes, any_recording_), status.on);
  if (recording_shown_ && !status.on) RecordingEnded();
}

void CKelvaraDlg::RecordingEnded() {
  recording_shown_ = false;
  record_timer_->stop();
  view_->ShowRecording(false);
  const RecordingStatus status = session_->Recording();
  status_->ShowRecorded(RecordedText(status.frames, status.bytes, any_recording_), false);
  if (!status.error.empty()) {
    notifier_.ShowMessage(
        "Recording failed: " + status.error + ". " + status.path + " holds the frames written before the failure.",
        MessageIcon::kExclamation);
    return;
  }
  status_->ShowLine(QString::fromStdString(RecordingEndedLine(status.frames, status.path)));
}

void CKelvaraDlg::TakeSnapshot() {
  SnapshotRequest request;
  std::vector<unsigned char> frame;
  if (!last_frame_.Copy(&frame, &request.format_index)) {
    status_->ShowLine(QStringLiteral("Snapshot: no frame has been received yet."));
    return;
  }
  const LoggingOptions options = logging_->CurrentOptions();
  request.folder = CleanFolderText(options.save_path);
  request.file_name = options.file_name;
  const std::string refused = RefuseDestination(request.folder, RunBaseName(request.file_name), 1);
  if (!refused.empty()) {
    notifier_.ShowMessage(refused, MessageIcon::kExclamation);
    return;
  }
  request.when = std::time(nullptr);
  request.csv = options.csv;
  request.png = options.png;
  request.bin = options.bin;
  request.pcd = options.pcd;
  RenderingModel& model = session_->rendering();
  request.mirror = Mirror{model.mirror_x.load() != 0, model.mirror_y.load() != 0};
  request.png_saver = [&model](const std::string& path) { return model.SaveImageAsPng(path, 0); };
  const SnapshotResult result = WriteSnapshot(request, frame);
  status_->ShowLine(QString::fromStdString(SnapshotLine(request.folder, result)));
  if (!result.failure.empty()) notifier_.ShowMessage(OutputFailureMessage(result.failure), MessageIcon::kExclamation);
}

void CKelvaraDlg::RememberPlaces() {
  if (!picture_placed_) return;
  WritePlace("Dialog", frameGeometry());
  if (picture_) WritePlace("Picture", picture_->frameGeometry());
  if (trends_ && trends_placed_) WritePlace("Trends", trends_->frameGeometry());
}

bool CKelvaraDlg::event(QEvent* event) {
  if (event->type() == WindowMessageEvent::Type()) {
    auto* m = static_cast<WindowMessageEvent*>(event);
    HandleMessage(m->message(), m->wparam(), m->lparam());
    return true;
  }
  return QDialog::event(event);
}

void CKelvaraDlg::HandleMessage(int message, intptr_t wparam, intptr_t lparam) {
  switch (message) {
    case UWM_DISCONNECTED: Disconnected(); break;
    case UWM_TAKE_PICTURE:
      single_picture_ = true;
      if (camera_->PlaysRecording()) camera_->control().ShowNext();  // at the end, the last frame again
      StartRun(RunRequest::SinglePicture());
      break;
    case UWM_START_MEASUREMENT:
      single_picture_ = false;
      if (camera_->PlaysRecording()) camera_->control().Play();
      // lParam: the frame limit; -1 (any non-positive value) runs on.
      StartRun(lparam > 0 ? RunRequest::Cycles(static_cast<int>(lparam)) : RunRequest::Continuous());
      break;
    case UWM_STOP_MEASUREMENT: StopRun(); break;
    case UWM_WAIT_CURSOR: SetWaitCursor(wparam == 1); break;
    case UWM_START_3D:
      session_->Start3D();
      PlaceViewerWhenShown();
      break;
    case UWM_STOP_3D: session_->Stop3D(); break;
    case UWM_FORMAT_CHANGED: FormatChanged(); break;
    case UWM_START_LOGGING:
      if (session_->State() != SessionState::kMeasuring) single_picture_ = false;
      StartLogging();
      break;
    case UWM_STOP_LOGGING:
      session_->StopLogging();
      // A paused recording lets the one more frame through that ends the
      // logging run. At its end without loop there is none: the worker ends
      // the logging run with the frames it has.
      if (camera_->PlaysRecording()) {
        const PlaybackStatus s = camera_->control().Status();
        if (s.paused && (s.loop || s.position < s.frames)) camera_->control().ShowNext();
      }
      break;
    case UWM_LOG_PROGRESS: PostWindowMessage(logging_, message, wparam, lparam); break;
    case UWM_SET_FLIP:
      session_->SetFlips(wparam != 0, lparam == 0);
      if (picture_) picture_->update();
      break;
    case UWM_SET_VIEW_RANGE:
      session_->SetViewRange(view_->Minimum(), view_->Maximum());
      if (trends_) trends_->FrameRendered();  // the histogram's markers follow
      break;
    case UWM_REDRAW_FRAME:
      if (!picture_) break;
      picture_->SetDisplayFormat(static_cast<int>(wparam));
      if (lparam) session_->rendering().RenderFrame(*reinterpret_cast<const DisplayPlanes*>(lparam));
      picture_->update();
      break;
    case UWM_SET_CENTER_MARK:
      if (picture_) picture_->SetCenterMark(static_cast<int>(wparam));
      break;
    case UWM_SET_STOP_SAMPLING: session_->SetStopSampling(wparam != 0); break;
    case UWM_SET_FILTERS: session_->SetFilters(static_cast<int>(wparam)); break;
    default: break;
  }
}

// "Connect" of the connection panel: the session runs the whole sequence.
void CKelvaraDlg::ConnectTo(int port, const std::string& name) {
  if (shut_down_) return;
  // A port goes back to live cameras.
  CloseRecording();
  if (camera_->PlaysRecording()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ConnectResult result = session_->Connect(port);
  const int open_error = errno;  // the serial library's reason when the open failed
  QApplication::restoreOverrideCursor();
  switch (result) {
    case ConnectResult::kConnected: break;
    case ConnectResult::kOpenFailed: {
      // The port vanished or another program holds it. A missing permission
      // comes with how to get it.
      std::string message = "Failed to open " + name + ".";
      if (open_error == EACCES || open_error == EPERM) message += " " + SerialOpenProblem(open_error);
      notifier_.ShowMessage(message, MessageIcon::kExclamation);
      return;
    }
    case ConnectResult::kNoAnswer:
      notifier_.ShowMessage("Connection failed!!", MessageIcon::kExclamation);
      connection_->Refresh();
      return;
    case ConnectResult::kCancelled: connection_->Refresh(); return;
  }
  ShowConnected(name);
}

void CKelvaraDlg::ShowConnected(const std::string& name) {
  connection_->SetConnected(true);
  const VersionReply version = session_->Version();
  port_name_ = name;
  any_run_ = false;
  status_->ShowConnection(LinkState::kConnected, port_name_, version);
  status_->ShowHealth(FrameHealth(), false, false);
  char title[160];
  std::snprintf(title, sizeof title, "%s / Server Version %d.%d.%d.%08u", client_title_.toUtf8().constData(),
                version.major, version.minor, version.revision, version.build);
  setWindowTitle(QString::fromUtf8(title));
  view_->EnableControls(1);
  logging_->ShowFormatOptions(session_->FormatIndex());
  logging_->EnableControls(1);
}

void CKelvaraDlg::Disconnected() {
  session_->Disconnect();
  CloseRecording();
  status_->ShowConnection(LinkState::kNotConnected, port_name_, VersionReply());
  view_->MarkLive(false);
  if (picture_) picture_->SetStale(true);
  setting_->SetParameterPanelEnabled(false);
  logging_->EnableControls(0);
  view_->EnableControls(0);
  setWindowTitle(client_title_);
}

void CKelvaraDlg::LockPanelsForRun() {
  if (picture_) {
    picture_->raise();
    picture_->ClearImages();
  }
  connection_->EnableButtons(false);
  setting_->SetParameterPanelEnabled(false);
  view_->EnableControls(0);
}

void CKelvaraDlg::StartOutcomeShown(StartOutcome outcome) {
  if (outcome == StartOutcome::kFailed || outcome == StartOutcome::kRefused) {
    // No run: the panels go back to how they were.
    connection_->EnableButtons(true);
    setting_->SetParameterPanelEnabled(!camera_->PlaysRecording());
    view_->EnableControls(1);
    return;
  }
  // A refused format has returned to the camera's one.
  logging_->ShowFormatOptions(session_->FormatIndex());
  RunBegan();
}

void CKelvaraDlg::RunBegan() {
  any_run_ = true;
  run_shown_ = true;
  status_->ShowLine(QString());
  view_->MarkLive(true);
  if (picture_) picture_->SetStale(false);
  ShowHealthNow();
  health_timer_->start();
}

void CKelvaraDlg::ShowHealthNow() { status_->ShowHealth(session_->Health(), any_run_, run_shown_); }

void CKelvaraDlg::RunFinished() {
  run_shown_ = false;
  health_timer_->stop();
  const RunSummary summary = session_->LastSummary();
  status_->ShowHealth(summary.health, any_run_, false);
  const QString logged_to = logging_->Destination();
  status_->ShowLine(QString::fromStdString(RunEndedLine(summary.health, logged_to.toStdString())));
  view_->MarkLive(false);
  if (picture_ && !single_picture_) picture_->SetStale(true);
  if (camera_->PlaysRecording()) camera_->control().Pause();
  if (summary.end == RunEnd::kFailures) ConnectionLost();
}

// The camera stopped answering: the port is closed, and "Connect" and
// "Refresh" are there to try again.
void CKelvaraDlg::ConnectionLost() {
  session_->Disconnect();
  setting_->SetParameterPanelEnabled(false);
  logging_->EnableControls(0);
  view_->EnableControls(0);
  connection_->SetConnected(false);
  connection_->EnableButtons(true);
  setWindowTitle(client_title_);
  status_->ShowConnection(LinkState::kLost, port_name_, VersionReply());
}

void CKelvaraDlg::StartRun(const RunRequest& request) {
  if (shut_down_) return;
  // A field without a whole number is reported there; the run starts anyway
  // with the values the panel holds.
  setting_->TakeValuesFromControls();
  LockPanelsForRun();
  // The UI thread never waits for a worker: a start while the previous run
  // still ends is begun by the session once that run has let go of the link.
  StartOutcomeShown(session_->Start(request));
}

void CKelvaraDlg::StopRun() {
  session_->Stop();  // not waited for
  if (camera_->PlaysRecording()) camera_->control().Pause();
  // "Stop" reads "Start" again; without a connection (the link was lost)
  // the buttons stay disabled.
  logging_->EnableControls(1);
  view_->EnableControls(1);
  if (session_->State() == SessionState::kDisconnected) {
    logging_->EnableControls(0);
    view_->EnableControls(0);
  }
  // The panels that talk to the camera come back once the session is Ready.
  SessionStateChanged(session_->State());
}

void CKelvaraDlg::SessionStateChanged(SessionState) {
  // Reported states may be overtaken by later ones: the current one counts.
  if (shut_down_) return;
  if (recording_shown_) ShowRecordingNow();
  const SessionState now = session_->State();
  if (run_shown_ && (now == SessionState::kReady || now == SessionState::kDisconnected)) RunFinished();
  if (session_->State() != SessionState::kReady) return;
  connection_->EnableButtons(true);
  // A recording's settings are shown, not changed: its frames were taken
  // with them, and a run's settings log must say so.
  setting_->SetParameterPanelEnabled(!camera_->PlaysRecording());
}

void CKelvaraDlg::ShowMeasured(const MeasureMarks& marks) {
  if (marks.count() == 2) {
    // The rays of the table the last connect read (the polar formats'), made once per table.
    std::shared_ptr<const ThetaPhiTable> table = session_->AngleTable();
    if (table != rays_of_) {
      rays_ = RayTableOf(table->theta);
      rays_of_ = std::move(table);
    }
  }
  MeasureResult result;
  last_frame_.ReadKept([&](const unsigned char* bytes, size_t size, int format_index) {
    result = Measure(marks, MeasureFrame{bytes, size, format_index}, rays_);
  });
  status_->ShowMeasured(result.text);
}

void CKelvaraDlg::FormatChanged() {
  if (setting_->FormatSelection() >= 0) session_->SelectFormat(setting_->FormatSelection());
  logging_->ShowFormatOptions(session_->FormatIndex());
}

void CKelvaraDlg::StartLogging() {
  // The logging panel has put its schedule into the log writer. Without a
  // run, a run of its own, which ends together with the logging run.
  const bool run_going = session_->State() == SessionState::kMeasuring;
  if (!run_going) {
    if (shut_down_) return;
    setting_->TakeValuesFromControls();
    LockPanelsForRun();
  }
  // A run started while the camera warms up says so in its settings log.
  session_->logger().SetWarmUpNote(
      trends_ && trends_->WarmUp() == WarmUpState::kWarmingUp ? WarmUpText(WarmUpState::kWarmingUp) : std::string());
  const StartOutcome outcome = session_->StartLogging();
  if (!run_going) StartOutcomeShown(outcome);
  // Over a paused recording, logging plays it from the frame on screen.
  if (camera_->PlaysRecording() && camera_->control().Status().paused) camera_->control().PlayFromShown();
}

void CKelvaraDlg::OpenRecording(const std::string& path) {
  if (shut_down_) return;
  // A live camera (or the recording open before) is let go first.
  Disconnected();
  connection_->SetConnected(false);
  if (session_->WorkerRunning()) session_->WaitForEnd(5000);  // a live run stops its camera
  if (session_->WorkerRunning() || camera_->PlaysRecording()) {
    notifier_.ShowMessage("The camera's run is still ending: open the recording again in a moment.",
                          MessageIcon::kExclamation);
    return;
  }
  std::string error;
  if (!camera_->OpenRecording(path, &error)) {
    notifier_.ShowMessage(error, MessageIcon::kExclamation);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ConnectResult result = session_->Connect(0, false);
  QApplication::restoreOverrideCursor();
  if (result != ConnectResult::kConnected) {
    CloseRecording();
    notifier_.ShowMessage("Connection failed!!", MessageIcon::kExclamation);
    return;
  }
  const size_t slash = path.find_last_of('/');
  ShowConnected(slash == std::string::npos ? path : path.substr(slash + 1));
  playback_->show();
  const std::string cut = camera_->recording()->CutNotice();
  // The first frame, paused.
  single_picture_ = true;
  StartRun(RunRequest::SinglePicture());
  if (!cut.empty()) notifier_.ShowMessage(cut, MessageIcon::kNone);
}

void CKelvaraDlg::CloseRecording() {
  if (!camera_->PlaysRecording()) return;
  session_->Disconnect();
  // Its run ends at once (the playback gate is woken); the link is free then.
  if (session_->WorkerRunning() && !session_->WaitForEnd(5000)) return;
  camera_->UseLive();
  playback_->hide();
}

void CKelvaraDlg::PlaybackAsked(int action) {
  if (shut_down_ || !camera_->PlaysRecording()) return;
  const bool idle = session_->State() == SessionState::kReady;
  if (!idle) return;  // a run goes on: the playback control drives it
  if (action == static_cast<int>(PlaybackBar::Action::kPlay)) {
    // As the View panel's "Start" (its caption follows); the news that the
    // last single frame's run ended may still be on its way to the panel.
    view_->EnableControls(1);
    if (auto* start = view_->findChild<QAbstractButton*>(QStringLiteral("id3000"))) start->click();
  } else if (action == static_cast<int>(PlaybackBar::Action::kShow)) {
    single_picture_ = true;
    StartRun(RunRequest::SinglePicture());
  }
}

void CKelvaraDlg::SetWaitCursor(bool on) {
  if (on && !wait_cursor_) {
    wait_cursor_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (!on && wait_cursor_) {
    wait_cursor_ = false;
    QApplication::restoreOverrideCursor();
  }
}

void CKelvaraDlg::Shutdown() {
  if (shut_down_) return;
  SendWindowMessage(this, UWM_STOP_MEASUREMENT);
  shut_down_ = true;
  // A worker holding a message box is let go, so that waiting for it
  // cannot deadlock; then the run and the 3D bridge end before the panels go.
  if (auto* boxes = dynamic_cast<QtNotifier*>(&notifier_)) boxes->Close();
  session_->Shutdown();
  connection_->Refresh();
  RememberPlaces();
  outputs_.SetWindows({});
  picture_.reset();
  trends_.reset();
  SetWaitCursor(false);
}

void CKelvaraDlg::closeEvent(QCloseEvent* event) {
  Shutdown();
  event->accept();
  done(0);
}

void CKelvaraDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F1:
      event->accept();  // the dialog does not end on them
      return;
    default: QDialog::keyPressEvent(event);
  }
}

}  // namespace kelvara
