#pragma once
// CKelvaraDlg: the main dialog, the hub of the client. It creates the four
// panels and the picture window over one Session (which owns the camera
// link, the parameters, the measurement, the log writer, the picture and
// the 3D side), turns the panels' window messages into the session's
// operations and the session's state changes into enabled panels, and
// shuts everything down when it closes. Panels never call each other: they
// post messages here.
#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "config/notifier.h"
#include "display/distance_measure.h"
#include "feed3d/display3d_control.h"
#include "feed3d/viewer_window.h"
#include "measure/last_frame.h"
#include "playback/camera_switch.h"
#include "session/session.h"
#include "shell/client_paths.h"
#include "shell/qt_measurement_outputs.h"
#include "shell/qt_session_observer.h"
#include "shell/status_strip.h"

class QGroupBox;
class QTimer;

namespace kelvara {

class CConnection;
class CSetting;
class CViewImage;
class CLogging;
class CViewPicture;
class TrendsWindow;
class PlaybackBar;

class CKelvaraDlg : public QDialog {
  Q_OBJECT
 public:
  // The profile path in `paths` is set here, before any panel reads it.
  // `serial` is the serial library the camera link uses (libUART.so in the
  // program; a fake in tests).
  CKelvaraDlg(const ClientPaths& paths, Notifier& notifier, SerialLibrary& serial,
              Display3DOptions options3d = Display3DOptions(), QWidget* parent = nullptr);
  ~CKelvaraDlg() override;

  // The window title without the server version.
  const QString& ClientTitle() const { return client_title_; }

  CConnection* connection() const { return connection_; }
  CSetting* setting() const { return setting_; }
  CViewImage* view() const { return view_; }
  CLogging* logging() const { return logging_; }
  CViewPicture* picture() const { return picture_.get(); }
  TrendsWindow* trends() const { return trends_.get(); }
  StatusStrip* status() const { return status_; }
  Session& session() { return *session_; }
  RunControl& run_control() { return session_->control(); }
  CameraLink& link() { return session_->link(); }
  RenderingModel& rendering() { return session_->rendering(); }
  const QtMeasurementOutputs& outputs() const { return outputs_; }
  // True while a run goes on and was not stopped (or waits to begin).
  bool Measuring() const { return session_->RunAsked(); }
  // True while a worker thread exists (also while a stopped run ends).
  bool WorkerRunning() const { return session_->WorkerRunning(); }

  // Opens the recording at `path` as the camera (a live camera is let go
  // first): the recorded version in the title, the recorded values in the
  // settings panel, the first frame on screen and the playback bar shown.
  // A file that cannot be played back gives a message; the client stays as
  // it is, disconnected.
  void OpenRecording(const std::string& path);
  PlaybackBar* playback() const { return playback_; }
  CameraSwitch& camera_switch() { return *camera_; }

  // The shutdown, as closing the window runs it (stops the run and 3D
  // display and waits for their threads, closes the port). Idempotent.
  void Shutdown();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override {}  // Escape does not end the dialog
  void showEvent(QShowEvent* event) override;

 private:
  void Initialise();
  void HandleMessage(int message, intptr_t wparam, intptr_t lparam);
  void ConnectTo(int port, const std::string& name);
  void Disconnected();
  // The camera's name, version and controls once it is connected.
  void ShowConnected(const std::string& name);
  // The recording let go (its run ends first) and the live library back.
  void CloseRecording();
  // What the playback bar asked for, with the run it needs.
  void PlaybackAsked(int action);
  // The panels a run locks, locked; `outcome` of its start puts them back
  // when the run did not start.
  void LockPanelsForRun();
  void StartOutcomeShown(StartOutcome outcome);
  void StartRun(const RunRequest& request);
  void StopRun();
  // UI thread: the state the session reported.
  void SessionStateChanged(SessionState state);
  void FormatChanged();
  void StartLogging();
  void SetWaitCursor(bool on);
  // A run began: the status bar and the monitor values follow it live.
  void RunBegan();
  // The run has ended (the session is Ready or Disconnected again): the
  // values stay as the run left them, greyed, and the status line says what
  // the run did; a camera that stopped answering counts as a lost link.
  void RunFinished();
  void ConnectionLost();
  void ShowHealthNow();
  // The dialog and the picture window placed on the dialog's screen (first
  // showing), and their places written to the profile (at the end).
  void PlaceWindows();
  void RememberPlaces();
  // Moves the 3D viewer's window beside the dialog once it has appeared.
  void PlaceViewerWhenShown();
  // The Trends window at its first showing: its kept place, else beside the
  // dialog and the picture window, clear of the View panel's buttons.
  void PlaceTrends();
  // "Measured distance": the marks on the picture measured on the newest frame.
  void ShowMeasured(const MeasureMarks& marks);

 public:
  // "Record" pressed down: a recording into the logging folder; false when
  // refused (the message says why). Let up: the recording ends and the
  // status line says where it went.
  bool RecordPressed(bool down);

 private:
  // The "Recorded" item follows the session's recording; a recording the
  // session ended (a disconnect, a lost link) lets the button up.
  void ShowRecordingNow();
  void RecordingEnded();

 public:
  // "Snapshot" (and Ctrl+S): the frame on screen into the logging folder;
  // the status line says where.
  void TakeSnapshot();

 private:
  ClientPaths paths_;
  Notifier& notifier_;
  QString client_title_;

  // The session's news reach the windows through these: declared before the
  // session, so they outlive its threads.
  QtMeasurementOutputs outputs_;
  QtSessionObserver observer_;
  // The session's serial library and frame gate: the live library or an
  // open recording. Declared before the session, which uses it.
  std::unique_ptr<CameraSwitch> camera_;
  std::unique_ptr<Session> session_;

  QGroupBox* boxes_[4] = {};
  CConnection* connection_ = nullptr;
  CSetting* setting_ = nullptr;
  CViewImage* view_ = nullptr;
  CLogging* logging_ = nullptr;
  std::unique_ptr<CViewPicture> picture_;
  std::unique_ptr<TrendsWindow> trends_;
  StatusStrip* status_ = nullptr;
  PlaybackBar* playback_ = nullptr;
  QTimer* health_timer_ = nullptr;
  std::string port_name_;
  bool any_run_ = false;         // a run has gone on since the connect
  bool run_shown_ = false;       // the status bar follows a run
  bool single_picture_ = false;  // the run is "Picture": its image stays as it is
  QTimer* viewer_timer_ = nullptr;
  LastFrame last_frame_;  // the newest frame received, for a snapshot
  int viewer_tries_ = 0;
  int viewer_placings_ = 0;  // placements since 3D Start
  int viewer_still_ = 0;     // checks since then that found it where placed
  WindowBox viewer_placed_;

  QTimer* record_timer_ = nullptr;
  bool recording_shown_ = false;  // "Record" is down for a recording of the session
  bool any_recording_ = false;    // a recording has gone on since the start

  bool wait_cursor_ = false;
  bool picture_placed_ = false;
  bool trends_placed_ = false;
  bool shut_down_ = false;
  // The pixel rays of the session's angle table, made when a polar measure first needs them.
  std::shared_ptr<const ThetaPhiTable> rays_of_;
  RayTable rays_;
};

}  // namespace kelvara
