#include "shell/kelvara_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>

#include "common/serial_access.h"
#include "config/connection_panel.h"
#include "config/profile_store.h"
#include "config/qt_notifier.h"
#include "config/setting_panel.h"
#include "config/updater_run.h"
#include "display/picture_window.h"
#include "display/view_panel.h"
#include "logging/logging_panel.h"
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
  session_ = std::make_unique<Session>(serial, observer_, std::move(options));
  observer_.SetStateHandler([this](SessionState state) { SessionStateChanged(state); });
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

  connection_ = new CConnection(boxes_[0], this, session_->link());
  boxes_[0]->layout()->addWidget(connection_);
  connection_->SetConnector([this](int port, const std::string& name) { ConnectTo(port, name); });
  setting_ = new CSetting(boxes_[1], this, session_->model(), notifier_);
  boxes_[1]->layout()->addWidget(setting_);
  logging_ = new CLogging(boxes_[3], this, session_->logger(), Profile(paths_.profile_path));
  boxes_[3]->layout()->addWidget(logging_);
  view_ = new CViewImage(boxes_[2], this, Profile(paths_.profile_path));
  boxes_[2]->layout()->addWidget(view_);
  view_->SetNotifier(&notifier_);
  logging_->SetNotifier(&notifier_);
  picture_ = std::make_unique<CViewPicture>(session_->rendering());
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
    case UWM_TAKE_PICTURE: StartRun(RunRequest::SinglePicture()); break;
    case UWM_START_MEASUREMENT:
      // lParam: the frame limit; -1 (any non-positive value) runs on.
      StartRun(lparam > 0 ? RunRequest::Cycles(static_cast<int>(lparam)) : RunRequest::Continuous());
      break;
    case UWM_STOP_MEASUREMENT: StopRun(); break;
    case UWM_WAIT_CURSOR: SetWaitCursor(wparam == 1); break;
    case UWM_START_3D: session_->Start3D(); break;
    case UWM_STOP_3D: session_->Stop3D(); break;
    case UWM_FORMAT_CHANGED: FormatChanged(); break;
    case UWM_START_LOGGING: StartLogging(); break;
    case UWM_STOP_LOGGING: session_->StopLogging(); break;
    case UWM_LOG_PROGRESS: PostWindowMessage(logging_, message, wparam, lparam); break;
    case UWM_SET_FLIP:
      session_->SetFlips(wparam != 0, lparam == 0);
      if (picture_) picture_->update();
      break;
    case UWM_SET_VIEW_RANGE: session_->SetViewRange(view_->Minimum(), view_->Maximum()); break;
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
    default: break;
  }
}

// "Connect" of the connection panel: the session runs the whole sequence.
void CKelvaraDlg::ConnectTo(int port, const std::string& name) {
  if (shut_down_) return;
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
  connection_->SetConnected(true);
  const VersionReply version = session_->Version();
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
    setting_->SetParameterPanelEnabled(true);
    view_->EnableControls(1);
    return;
  }
  // A refused format has returned to the camera's one.
  logging_->ShowFormatOptions(session_->FormatIndex());
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
  logging_->EnableControls(1);
  view_->EnableControls(1);
  // The panels that talk to the camera come back once the session is Ready.
  SessionStateChanged(session_->State());
}

void CKelvaraDlg::SessionStateChanged(SessionState) {
  // Reported states may be overtaken by later ones: the current one counts.
  if (shut_down_ || session_->State() != SessionState::kReady) return;
  connection_->EnableButtons(true);
  setting_->SetParameterPanelEnabled(true);
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
  const StartOutcome outcome = session_->StartLogging();
  if (!run_going) StartOutcomeShown(outcome);
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
