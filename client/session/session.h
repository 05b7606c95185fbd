#pragma once
// Session: one camera and everything a measurement needs, behind named
// operations. It owns the camera link, the parameter model with the current
// parameter values, the measurement worker, the log writer, the rendering
// model and the 3D side; a front end (the client's dialog, kelvara-capture)
// calls its operations on one thread of its own (the owner thread) and
// hears back through one observer.
//
// Threads: the owner thread calls every operation. The measurement worker
// runs the measurement; the 3D bridge thread feeds the viewer. The observer
// is called on whichever of these threads the news comes from (state
// changes on the thread that caused them, frames and frame health on the
// worker). While a run goes on only the worker talks to the camera; every
// operation that needs the camera otherwise (connect, parameters) is
// refused or deferred until the run has ended.
//
// The values a run works with live here once: the format, the logging
// schedule, the view range, the flips and the filters. A run takes the parameter values
// it logs when it starts.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/device_parameters.h"
#include "config/notifier.h"
#include "config/parameter_model.h"
#include "config/updater_run.h"
#include "display/rendering_model.h"
#include "feed3d/display3d_control.h"
#include "link/camera_link.h"
#include "logging/log_writer.h"
#include "measure/frame_health.h"
#include "measure/measurement_outputs.h"
#include "measure/measurement_worker.h"
#include "measure/run_control.h"
#include "record/camera_replies.h"
#include "record/recording_outputs.h"
#include "recording/recording_writer.h"

namespace kelvara {

enum class SessionState {
  kDisconnected,  // no port open
  kConnecting,    // the connect sequence runs
  kReady,         // connected, no run
  kMeasuring,     // a run goes on
  kStopping,      // a stopped run ends its last cycle and stops the camera
};

// The state's name ("Disconnected", ...), for messages and tests.
const char* SessionStateName(SessionState state);

// Everything the session tells its front end. Frames, frame health and the
// logging news are the measurement outputs; messages come as a Notifier's;
// StateChanged comes on the thread that changed the state, in order (never
// call the session back from inside it: it holds the session's news lock).
class SessionObserver : public MeasurementOutputs, public Notifier {
 public:
  virtual void StateChanged(SessionState /*state*/) {}
};

// An observer made of parts: messages to `notifier`, measurement outputs to
// `outputs` (replaceable before a run starts), state changes to `state`.
class ForwardingObserver : public SessionObserver {
 public:
  ForwardingObserver(Notifier& notifier, MeasurementOutputs& outputs, std::function<void(SessionState)> state = nullptr)
      : notifier_(notifier), outputs_(&outputs), state_(std::move(state)) {}
  void SetOutputs(MeasurementOutputs& outputs) { outputs_ = &outputs; }

  void ShowMessage(const std::string& text, MessageIcon icon) override { notifier_.ShowMessage(text, icon); }
  void StateChanged(SessionState state) override {
    if (state_) state_(state);
  }
  void CentreReadout(const std::string& text) override { outputs_->CentreReadout(text); }
  void MonitorUpdate(double rate, const TemperatureSample& sample) override { outputs_->MonitorUpdate(rate, sample); }
  void LogProgress(int logged, int total) override { outputs_->LogProgress(logged, total); }
  void LoggingRunEnded() override { outputs_->LoggingRunEnded(); }
  void RunEndedByItself() override { outputs_->RunEndedByItself(); }
  void FrameHealthUpdate(const FrameHealth& health) override { outputs_->FrameHealthUpdate(health); }
  void PictureChanged() override { outputs_->PictureChanged(); }
  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override {
    outputs_->FrameReceived(frame, size, receipt_ns);
  }

 private:
  Notifier& notifier_;
  MeasurementOutputs* outputs_;
  std::function<void(SessionState)> state_;
};

struct SessionOptions {
  // Folder of the programs (the updater, the table, the viewer), ending '/'.
  std::string program_folder;
  // Folder of the exchange files (3d_data/, the upload marker), ending '/'.
  std::string data_folder;
  // The link's failure pause (empty: the real sleep).
  CameraLink::Pause pause;
  // Runs the table updater before the first open in a run of the program;
  // empty: no table upload (the capture tool).
  ProgramRunner upload_runner;
  // After connecting, write "3d_data/angle.csv" from the camera's table.
  bool refresh_angle_file = true;
  // Send the changed parameter groups when a run begins (the client's
  // panel edits them; the capture tool sends its format itself).
  bool apply_at_start = true;
  // Runs a task on the owner thread, later (the GUI's event loop); empty:
  // the task runs at once on the thread that has it (the worker's, when a
  // run ends).
  std::function<void(std::function<void()>)> post;
  // The 3D side (its notifier defaults to the observer; its folders to
  // program_folder).
  Display3DOptions display3d;
  // The loop's clock (tests); empty: the steady clock.
  std::function<int64_t()> now_ns;
  // The gate before each frame request (a played-back recording); nullptr
  // for a live camera. Outlives the session.
  FrameGate* frame_gate = nullptr;
};

enum class ConnectResult {
  kConnected,
  kOpenFailed,  // the port could not be opened (vanished, or held by another program)
  kNoAnswer,    // the camera did not identify itself; the port is closed again
  kCancelled,   // Stop came during the sequence; the port is closed again
};

enum class StartOutcome {
  kStarted,   // the run has begun
  kDeferred,  // a run still ends; this one begins after it
  kRefused,   // not connected (or connecting): nothing happens
  kFailed,    // no thread could be created
};

enum class RecordStart {
  kStarted,       // every frame received from now on goes into the file
  kNotConnected,  // no camera (Disconnected or Connecting): nothing happens
  kNoAnswer,      // the camera did not give its version for the header
  kFileFailed,    // the file cannot be written (the writer's reason in *error)
};

// The current (or last) recording.
struct RecordingStatus {
  bool on = false;      // a recording goes on
  std::string path;     // its file
  int64_t frames = 0;   // frames recorded
  int64_t records = 0;  // frame and temperature records
  int64_t bytes = 0;    // the file's size once every record queued is written
  std::string error;    // why writing the last recording failed (empty: it did not)
};

class Session {
 public:
  Session(SerialLibrary& serial, SessionObserver& observer, SessionOptions options);
  // Shutdown().
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // ---- Connection ----

  std::vector<int> ListPorts() { return link_.ListPorts(); }
  // The whole connect sequence on the owner thread: the table upload (once
  // per run of the program, when an upload runner is set; "Failed to upload
  // Qor table." when it fails, and the sequence goes on), open, stop a
  // camera left measuring, version, every parameter group, the angle file.
  // Refused (kOpenFailed, nothing touched) while a run goes on.
  ConnectResult Connect(int port);
  // The same sequence without the table upload (a played-back recording).
  ConnectResult Connect(int port, bool upload_table);
  // The camera's version from the last connect.
  VersionReply Version() const;
  // The camera's angle table from the last connect (the one written as the
  // angle file); empty planes when the camera gave none. A new object at
  // every connect.
  std::shared_ptr<const ThetaPhiTable> AngleTable() const;
  // Ends a run (not waited for) and closes the port; with a run going on
  // the port closes once the run has stopped the camera. Stop() during
  // Connect (from another thread or the observer) cancels the sequence.
  void Disconnect();

  // ---- Parameters (owner thread; the link must be free: Ready) ----

  ParameterModel& model() { return model_; }
  // Sends the changed groups (refusals revert with their message). False
  // when not Ready.
  bool ApplyParameters();
  // Sets the camera's format (the capture tool's --format); false when the
  // camera refused it or the session is not Ready.
  bool SendFormat(int format_index);
  // The parameter values the current (or last) run started with.
  DeviceParameters RunParameters() const;

  // ---- Values the runs work with ----

  // The format the frames are decoded, shown, logged and exported as.
  void SelectFormat(int format_index);
  int FormatIndex() const { return control_.display3d.format_index.load(); }
  void SetLoggingSchedule(const LogSchedule& schedule);
  LogSchedule LoggingSchedule() const;
  void SetViewRange(int minimum, int maximum);
  void SetFlips(bool mirror_x, bool mirror_y);
  void SetStopSampling(bool stop) { control_.SetStopSampling(stop); }
  // The filters of the picture and the 3D view (a ViewFilter
  // mask), from the next frame on; never of what is logged or recorded.
  void SetFilters(int mask) { control_.SetFilters(mask); }
  int Filters() const { return control_.Filters(); }

  // ---- Runs ----

  // A single picture, a continuous run or a logging run. Applies the
  // changed parameter groups first (apply_at_start; their refusals are
  // reported and the run starts anyway) and takes the format from the
  // parameters.
  StartOutcome Start(const RunRequest& request);
  // Ends the run at its next cycle, drops a deferred start, cancels a
  // connect sequence; returns at once.
  void Stop();
  // A logging run on the session's schedule; without a run, a run of its
  // own that ends with the logging run.
  StartOutcome StartLogging();
  // The logging run logs one more frame and ends.
  void StopLogging() { control_.StopLogging(); }
  void Start3D() { display3d_->Start(); }
  void Stop3D() { display3d_->Stop(); }

  SessionState State() const;
  // True while a run goes on and was not stopped, or a start waits for the
  // ending run.
  bool RunAsked() const;
  bool Logging() const { return control_.LoggingOpen(); }
  bool Display3DOn() const { return display3d_->IsOn(); }
  // True while a worker thread runs (also while a stopped run ends).
  bool WorkerRunning() const { return worker_.Running(); }
  FrameHealth Health() const { return worker_.Health(); }
  RunSummary LastSummary() const { return worker_.LastSummary(); }
  // Waits at most `timeout_ms` for the runs to end; true when none goes on.
  bool WaitForEnd(int timeout_ms) { return worker_.WaitForEnd(timeout_ms); }

  // Stops the run and 3D display, waits for their threads, closes the
  // port. Idempotent. Call it from the owner thread once no worker can wait
  // for it (message boxes closed).
  void Shutdown();

  // ---- Recording (owner thread) ----

  // From now on every frame the session receives, raw as received (no
  // filters), and the temperatures go into a new recording at `path`, in
  // the layout of kelvara-capture --record, over the following runs, until
  // StopRecording, a disconnect or Shutdown. The header holds the camera's
  // replies kept from the connect sequence; while no run goes on, those
  // missing or stale are asked again first. A recording going on is ended
  // first. `path` is created (or emptied): the front end checks it.
  RecordStart StartRecording(const std::string& path, std::string* error);
  // Ends the recording: everything queued is written, the file flushed and
  // closed whole. False when writing it failed (Recording().error says why).
  bool StopRecording();
  RecordingStatus Recording() const;

  // ---- The parts, for the front end's panels ----

  CameraLink& link() { return link_; }
  LogWriter& logger() { return logger_; }
  RenderingModel& rendering() { return rendering_; }
  RunControl& control() { return control_; }
  Display3DControl& display3d() { return *display3d_; }

 private:
  void SetState(SessionState state);
  StartOutcome BeginRun(const RunRequest& request);
  void RunEnded();  // worker thread
  void Settle();
  void MarkStopping();
  bool Cancelled() const { return cancel_connect_.load(); }
  ConnectResult CloseAfter(ConnectResult result);
  // Owner thread, link free: asks the camera again for the parameter
  // replies a set has made stale. A recording going on ends then (its
  // header no longer describes the frames to come); one without a frame
  // yet begins again with the new replies.
  void RefreshReplies();
  int64_t NowNs() const;

  SessionOptions options_;
  SessionObserver& observer_;
  // Declared before the worker and the 3D side, which use them.
  CameraLink link_;
  ParameterModel model_;
  RunControl control_;
  RenderingModel rendering_;
  LogWriter logger_;

  mutable std::mutex mutex_;  // guards the members below
  SessionState state_ = SessionState::kDisconnected;
  std::optional<RunRequest> deferred_;  // waits for the ending run
  bool disconnect_after_run_ = false;
  bool run_active_ = false;  // a run goes on, ends, or is about to begin
  DeviceParameters run_parameters_;
  VersionReply version_;
  std::shared_ptr<const ThetaPhiTable> angle_table_ = std::make_shared<const ThetaPhiTable>();

  std::mutex news_mutex_;  // held from a state change until its observers have heard it
  std::atomic<bool> cancel_connect_{false};
  std::atomic<bool> shut_down_{false};

  // Recording: the camera's replies for the header (kept by the link's
  // tap), the tap between the worker and the observer, and the file.
  CameraReplies replies_;
  RecordingOutputs tap_{observer_};
  mutable std::mutex record_mutex_;  // guards the two below
  recording::RecordingWriter record_writer_;
  RecordingStatus record_status_;
  int64_t record_header_bytes_ = 0;

  MeasurementWorker worker_;
  std::unique_ptr<Display3DControl> display3d_;
};

}  // namespace kelvara
