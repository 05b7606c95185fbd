#include "kelvara_dlg.h"

#include <unistd.h>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdio>

#include "angle_refresh.h"
#include "connection_panel.h"
#include "device_commands.h"
#include "logging_panel.h"
#include "picture_window.h"
#include "profile_store.h"
#include "qt_notifier.h"
#include "setting_panel.h"
#include "updater_run.h"
#include "view_panel.h"
#include "window_messages.h"

#ifndef KELVARA_VERSION
#define KELVARA_VERSION ""
#endif

namespace kelvara {
namespace {

constexpr const char* kCaption = "Qor Imager";

}  // namespace

CKelvaraDlg::CKelvaraDlg(const ClientPaths& paths, Notifier& notifier, SerialLibrary& serial,
                         Display3DOptions options3d, QWidget* parent)
    : QDialog(parent), paths_(paths), notifier_(notifier), link_(serial) {
  IniSetFilePath(paths_.profile_path);
  control_.program_folder = paths_.data_folder;
  logger_.SetPngSaver([this](const std::string& path) { return rendering_.SaveImageAsPng(path, 0); });
  worker_ = std::make_unique<MeasurementWorker>(MeasurementContext{
      link_, control_, rendering_, logger_, notifier_, outputs_, [this] { return RunParameters(); }, nullptr});
  // The viewer and the bridge library come from the program folder; the
  // exchange files live in the data folder.
  if (options3d.library_path.empty()) options3d.library_path = paths_.program_folder + "libvelmar.so";
  if (options3d.viewer_folder.empty()) options3d.viewer_folder = paths_.program_folder;
  if (!options3d.notifier) options3d.notifier = &notifier_;
  display3d_ = std::make_unique<Display3DControl>(paths_.data_folder, &control_.display3d, std::move(options3d));
  worker_end_timer_.setInterval(10);
  connect(&worker_end_timer_, &QTimer::timeout, this, &CKelvaraDlg::WorkerEndCheck);
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

  // Four group boxes without text; each panel sits inside one.
  auto* columns = new QHBoxLayout(this);
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

  connection_ = new CConnection(boxes_[0], this, link_, notifier_);
  boxes_[0]->layout()->addWidget(connection_);
  connection_->SetProgramFolder(paths_.program_folder, paths_.data_folder);
  setting_ = new CSetting(boxes_[1], this, link_, notifier_);
  boxes_[1]->layout()->addWidget(setting_);
  logging_ = new CLogging(boxes_[3], this, logger_);
  boxes_[3]->layout()->addWidget(logging_);
  view_ = new CViewImage(boxes_[2], this);
  boxes_[2]->layout()->addWidget(view_);
  view_->SetNotifier(&notifier_);
  logging_->SetNotifier(&notifier_);
  picture_ = std::make_unique<CViewPicture>(rendering_);
  outputs_.SetWindows({this, view_, logging_, picture_.get()});
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
  // The picture window's top-left corner: the main window's right edge, at
  // half its bottom coordinate.
  const QRect frame = frameGeometry();
  picture_->move(frame.right() + 1, (frame.bottom() + 1) / 2);
  picture_->show();
}

DeviceParameters CKelvaraDlg::RunParameters() const {
  std::lock_guard<std::mutex> lock(parameters_mutex_);
  return run_parameters_;
}

int CKelvaraDlg::CurrentFormatIndex() const { return control_.display3d.format_index.load(); }

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
    case UWM_CONNECTED: ConnectSequence(); break;
    case UWM_DISCONNECTED: Disconnected(); break;
    case UWM_TAKE_PICTURE: StartRun(RunRequest::SinglePicture()); break;
    case UWM_START_MEASUREMENT:
      // lParam: the frame limit; -1 (any non-positive value) runs on.
      StartRun(lparam > 0 ? RunRequest::Cycles(static_cast<int>(lparam)) : RunRequest::Continuous());
      break;
    case UWM_STOP_MEASUREMENT: StopRun(); break;
    case UWM_WAIT_CURSOR: SetWaitCursor(wparam == 1); break;
    case UWM_START_3D: display3d_->Start(); break;
    case UWM_STOP_3D: display3d_->Stop(); break;
    case UWM_FORMAT_CHANGED: FormatChanged(); break;
    case UWM_START_LOGGING: StartLogging(); break;
    case UWM_STOP_LOGGING: control_.StopLogging(); break;
    case UWM_LOG_PROGRESS: PostWindowMessage(logging_, message, wparam, lparam); break;
    case UWM_SET_FLIP: {
      const int mirror_x = wparam ? 1 : 0;
      const int mirror_y = lparam == 0 ? 1 : 0;
      if (picture_) picture_->SetMirror(mirror_x, mirror_y);
      logging_->SetMirror(mirror_x, mirror_y);
      break;
    }
    case UWM_SET_VIEW_RANGE:
      if (picture_) picture_->SetRange(view_->Minimum(), view_->Maximum());
      control_.display3d.SetViewRange(view_->Minimum(), view_->Maximum());
      break;
    case UWM_REDRAW_FRAME:
      if (!picture_) break;
      picture_->SetDisplayFormat(static_cast<int>(wparam));
      if (lparam) rendering_.RenderFrame(*reinterpret_cast<const DisplayPlanes*>(lparam));
      picture_->update();
      break;
    case UWM_SET_CENTER_MARK:
      if (picture_) picture_->SetCenterMark(static_cast<int>(wparam));
      break;
    case UWM_SET_STOP_SAMPLING: control_.SetStopSampling(wparam != 0); break;
    default: break;
  }
}

// The camera part of connecting: runs on the UI thread while no worker
// exists (the view panel stays disabled until it has finished).
void CKelvaraDlg::ConnectSequence() {
  unsigned char status = 0;
  link_.StopMeasurement(&status);  // a camera left measuring is stopped
  VersionReply version;
  if (link_.GetVersion(&status, &version) != 0 || status != 0) {
    notifier_.ShowMessage("Connection failed!!", MessageIcon::kExclamation);
    connection_->Refresh();
    return;
  }
  char title[160];
  std::snprintf(title, sizeof title, "%s / Server Version %d.%d.%d.%08u", client_title_.toUtf8().constData(),
                version.major, version.minor, version.revision, version.build);
  setWindowTitle(QString::fromUtf8(title));
  RefreshAngleFile(link_, paths_.data_folder, &notifier_);
  setting_->model().ReadParametersFromDevice();
  if (setting_->FormatSelection() >= 0) control_.display3d.format_index = setting_->FormatSelection();
  view_->EnableControls(1);
  if (picture_) picture_->SetDisplayFormat(CurrentFormatIndex());
  logger_.SetFormatIndex(CurrentFormatIndex());
  logging_->ShowFormatOptions(CurrentFormatIndex());
  logging_->EnableControls(1);
}

void CKelvaraDlg::Disconnected() {
  setting_->SetParameterPanelEnabled(false);
  logging_->EnableControls(0);
  view_->EnableControls(0);
  setWindowTitle(client_title_);
}

void CKelvaraDlg::StartRun(const RunRequest& request) {
  if (shut_down_) return;
  if (setting_->FormatSelection() >= 0) control_.display3d.format_index = setting_->FormatSelection();
  if (picture_) {
    picture_->raise();
    picture_->ClearImages();
    picture_->SetDisplayFormat(CurrentFormatIndex());
  }
  logger_.SetFormatIndex(CurrentFormatIndex());
  connection_->EnableButtons(false);
  setting_->SetParameterPanelEnabled(false);
  view_->EnableControls(0);
  worker_handle_ = true;
  enable_after_end_ = false;
  // The UI thread never waits for a worker. A previous run that is still
  // ending (its last cycle, the camera's stop) still owns the camera link,
  // so the parameters are sent and the run begun once it has let go.
  if (worker_->Running()) {
    pending_start_ = request;
    worker_end_timer_.start();
    return;
  }
  BeginRun(request);
}

void CKelvaraDlg::BeginRun(const RunRequest& request) {
  setting_->Set();  // refusals are reported there; the run starts anyway
  {
    std::lock_guard<std::mutex> lock(parameters_mutex_);
    run_parameters_ = setting_->parameters();
  }
  if (worker_->Start(request) == StartResult::kFailed) {
    // No thread: the panels go back to how they were.
    worker_handle_ = false;
    connection_->EnableButtons(true);
    setting_->SetParameterPanelEnabled(true);
    view_->EnableControls(1);
  }
}

void CKelvaraDlg::StopRun() {
  worker_->RequestStop();  // not waited for
  pending_start_.reset();
  worker_handle_ = false;
  logging_->EnableControls(1);
  view_->EnableControls(1);
  // The panels that talk to the camera come back once the worker has
  // stopped the camera and let go of the link.
  enable_after_end_ = true;
  WorkerEndCheck();
}

void CKelvaraDlg::WorkerEndCheck() {
  if (worker_->Running()) {
    if (!worker_end_timer_.isActive()) worker_end_timer_.start();
    return;
  }
  worker_end_timer_.stop();
  if (pending_start_) {
    const RunRequest request = *pending_start_;
    pending_start_.reset();
    BeginRun(request);
  } else if (enable_after_end_) {
    enable_after_end_ = false;
    connection_->EnableButtons(true);
    setting_->SetParameterPanelEnabled(true);
  }
}

void CKelvaraDlg::FormatChanged() {
  if (setting_->FormatSelection() >= 0) control_.display3d.format_index = setting_->FormatSelection();
  logging_->ShowFormatOptions(CurrentFormatIndex());
}

void CKelvaraDlg::StartLogging() {
  control_.StartLogging(logging_->TotalNumberOfLogs(), logging_->NumberOfLogsAtOnce(), logging_->LoggingInterval());
  // Without a run, a run of its own, which ends together with the logging run.
  if (!worker_handle_) StartRun(RunRequest::Continuous().EndingWithLogging());
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
  worker_->Wait();
  worker_end_timer_.stop();
  display3d_->Stop();
  display3d_->WaitForBridgeThread();
  connection_->Refresh();
  unlink(UploadMarkerPath(paths_.data_folder).c_str());
  outputs_.SetWindows({});
  picture_.reset();
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
