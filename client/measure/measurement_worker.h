#pragma once
// The measurement worker: a thread for a measurement run (a run queued
// behind it continues on the same thread). It starts the camera's
// measurement, then fetches frame after frame: decodes and renders it,
// shows the centre value, once per second the frame rate and the
// temperatures, runs the logging schedule and, while 3D display is on,
// writes the export ring. At the end it stops the camera.
//
// While a run exists the worker is the only thread that talks to the camera.
// At most one run goes on at a time: a start that arrives while the previous
// run is still going or ending is queued, and the worker thread begins it as
// soon as the previous run has stopped the camera. No call of the starter's
// thread ever waits for a run (a worker may be waiting for that thread, for
// example to dismiss a message box); only Wait and WaitForEnd do, for
// shutdown.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "link/camera_link.h"

#include "config/device_parameters.h"
#include "config/notifier.h"
#include "measure/frame_gate.h"
#include "measure/frame_health.h"
#include "measure/measurement_outputs.h"
#include "measure/run_control.h"

namespace kelvara {

class LogWriter;
class RenderingModel;

// Why a run ended.
enum class RunEnd {
  kNone,           // no run has ended yet
  kStopRequest,    // the run flag was cleared
  kFrameLimit,     // the frame limit was reached
  kStartFailed,    // the camera refused to start
  kFailures,       // 11 consecutive failed cycles
  kLoggingEnded,   // the logging run that started the run ended
  kRestartFailed,  // the restart after the angle table failed
};

struct RunSummary {
  RunEnd end = RunEnd::kNone;
  int64_t frames = 0;         // frames received
  int64_t failed_cycles = 0;  // all failed cycles of the run
  int64_t frames_logged = 0;  // frames logged over all logging runs
  int64_t elapsed_ns = 0;     // from the start command to the end
  FrameHealth health;         // the run's frames in detail
};

// Everything the worker reaches. All references outlive the worker.
struct MeasurementContext {
  CameraLink& link;
  RunControl& control;
  RenderingModel& picture;
  LogWriter& logger;
  Notifier& notifier;
  MeasurementOutputs& outputs;
  // The current parameter values, for the settings block of the log.
  std::function<DeviceParameters()> parameters;
  // Monotonic clock in nanoseconds (tests replace it).
  std::function<int64_t()> now_ns;
  // Called on the worker thread when the last run has ended (Running() is
  // false by then), after the summary is kept; may be empty.
  std::function<void()> ended = nullptr;
  // Passed before every frame request when set (a played-back recording);
  // at the recording's end a logging run still open ends with what it got.
  FrameGate* gate = nullptr;
};

// The steady clock in nanoseconds.
int64_t SteadyNowNs();

enum class StartResult {
  kStarted,  // the run has begun (its thread runs)
  kQueued,   // a run is still going or ending; this one begins after it
  kFailed,   // no thread could be created; no run goes on
};

class MeasurementWorker {
 public:
  explicit MeasurementWorker(MeasurementContext context);
  // Waits for a run that is still going (RequestStop first to end it).
  ~MeasurementWorker();
  MeasurementWorker(const MeasurementWorker&) = delete;
  MeasurementWorker& operator=(const MeasurementWorker&) = delete;

  // Starts a run as `request` asks (RunControl::BeginRun) and returns at
  // once. When the previous run is still going or ending, the request is
  // queued (a later start replaces a queued one) and the worker thread
  // begins it after the previous run has stopped the camera.
  StartResult Start(const RunRequest& request);

  // A stop request: ends the run (RunControl::RequestStop), drops a queued
  // start and returns at once. The worker ends its current cycle, stops the
  // camera and ends without telling anyone.
  void RequestStop();

  // True from Start until the last run (queued ones included) has stopped
  // the camera and ended.
  bool Running() const;

  // Shutdown: waits until no run goes on or is queued, and the thread has
  // ended. Never call it from a thread the worker may be waiting for.
  void Wait();

  // Waits at most `timeout_ms` for the runs to end; true when no run is
  // going on (any more).
  bool WaitForEnd(int timeout_ms);

  // What the last run that ended did.
  RunSummary LastSummary() const;

  // The frame health of the run going on (of the last run when none goes on).
  FrameHealth Health() const;

 private:
  void Run();

  MeasurementContext context_;
  mutable std::mutex mutex_;  // guards thread_, running_, queued_ and summary_
  std::condition_variable ended_;
  std::thread thread_;
  bool running_ = false;
  std::optional<RunRequest> queued_;
  RunSummary summary_;
  FrameHealth health_;  // of the current run, kept up to date every cycle
};

}  // namespace kelvara
