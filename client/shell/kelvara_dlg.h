#pragma once
// CKelvaraDlg: the main dialog, the hub of the client. It creates the four
// panels and the picture window, owns the run control with the measurement
// worker, the rendering model, the log writer and the 3D side, handles every
// custom window message, runs the connect sequence and shuts everything
// down when it closes. Panels never call each other: they post messages
// here.
#include <QDialog>
#include <QString>
#include <QTimer>
#include <memory>
#include <mutex>
#include <optional>

#include "camera_link.h"
#include "client_paths.h"
#include "device_parameters.h"
#include "display3d_control.h"
#include "log_writer.h"
#include "measurement_worker.h"
#include "notifier.h"
#include "qt_measurement_outputs.h"
#include "rendering_model.h"
#include "run_control.h"

class QGroupBox;

namespace kelvara {

class CConnection;
class CSetting;
class CViewImage;
class CLogging;
class CViewPicture;

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
  RunControl& run_control() { return control_; }
  CameraLink& link() { return link_; }
  RenderingModel& rendering() { return rendering_; }
  const QtMeasurementOutputs& outputs() const { return outputs_; }
  // True while a run has been started and not stopped (the worker handle).
  bool Measuring() const { return worker_handle_; }
  // True while a worker thread exists (also while a stopped run ends).
  bool WorkerRunning() const { return worker_ && worker_->Running(); }

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
  void ConnectSequence();
  void Disconnected();
  void StartRun(const RunRequest& request);
  void BeginRun(const RunRequest& request);
  void StopRun();
  // Once the worker has ended: begins a pending start, or gives the
  // connection and settings panels back.
  void WorkerEndCheck();
  void FormatChanged();
  void StartLogging();
  void SetWaitCursor(bool on);
  int CurrentFormatIndex() const;
  DeviceParameters RunParameters() const;

  ClientPaths paths_;
  Notifier& notifier_;
  QString client_title_;

  // Shared with the worker and the 3D bridge thread: declared before them,
  // so they outlive both.
  CameraLink link_;
  RunControl control_;
  RenderingModel rendering_;
  LogWriter logger_;
  QtMeasurementOutputs outputs_;
  mutable std::mutex parameters_mutex_;
  DeviceParameters run_parameters_;  // the values a run started with
  std::unique_ptr<MeasurementWorker> worker_;
  std::unique_ptr<Display3DControl> display3d_;

  QGroupBox* boxes_[4] = {};
  CConnection* connection_ = nullptr;
  CSetting* setting_ = nullptr;
  CViewImage* view_ = nullptr;
  CLogging* logging_ = nullptr;
  std::unique_ptr<CViewPicture> picture_;

  bool worker_handle_ = false;               // a run was started and not stopped
  std::optional<RunRequest> pending_start_;  // waits for the ending run
  bool enable_after_end_ = false;            // the panels return when the worker ended
  QTimer worker_end_timer_;                  // looks for the worker's end
  bool wait_cursor_ = false;
  bool picture_placed_ = false;
  bool shut_down_ = false;
};

}  // namespace kelvara
