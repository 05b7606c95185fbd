#pragma once
// What the main window (or the capture tool) shares with the measurement
// worker and the 3D bridge thread. The writers are the user-interface thread
// (one at a time: the main dialog or the capture tool) and the worker; the
// worker reads at fixed points of its cycle, so a change takes effect at the
// worker's next read. Lock-free: every value is an atomic, and each operation
// below says who calls it and when it takes effect.
#include <atomic>
#include <string>

#include "feed3d/display3d_state.h"

namespace kelvara {

// What a run is asked to do when it begins. Handed to
// MeasurementWorker::Start, which applies it when the run really begins.
class RunRequest {
 public:
  // One cycle (the "Picture" button).
  static RunRequest SinglePicture() { return RunRequest(1); }
  // Cycles until a stop request or an end of its own.
  static RunRequest Continuous() { return RunRequest(kContinuous); }
  // Exactly `cycles` cycles (at least 1; tests and benchmarks).
  static RunRequest Cycles(int cycles) { return RunRequest(cycles < 1 ? 1 : cycles); }

  // The same run, ending when the logging run that started it ends.
  RunRequest EndingWithLogging() const {
    RunRequest r = *this;
    r.end_with_logging_ = true;
    return r;
  }
  bool EndsWithLogging() const { return end_with_logging_; }

 private:
  friend class RunControl;
  static constexpr int kContinuous = -1;
  explicit RunRequest(int frame_limit) : frame_limit_(frame_limit) {}
  int frame_limit_;
  bool end_with_logging_ = false;
};

// Where the logging schedule stands, as the worker reads it at a cycle.
enum class LoggingPhase {
  kOff,        // no logging run
  kCounting,   // a logging run of `total` frames
  kLastFrame,  // "Stop" was asked: log one more frame, then end the logging run
};

struct LoggingOrder {
  LoggingPhase phase = LoggingPhase::kOff;
  int total = 0;     // frames of the logging run (kCounting only)
  int once = 1;      // frames per burst, at least 1
  int interval = 0;  // minimum spacing of burst starts in whole seconds

  // True when the logging run ends with the frame that made `logged` frames.
  bool EndsAt(int logged) const {
    return phase == LoggingPhase::kLastFrame || (phase == LoggingPhase::kCounting && logged == total);
  }
  // The total the progress report names: the frames asked for, or -1 once
  // "Stop" was asked.
  int ProgressTotal() const { return phase == LoggingPhase::kLastFrame ? -1 : total; }
};

class RunControl {
 public:
  // ---- The run ----

  // Worker, when a run begins (before its first command): the run goes on,
  // with the frame limit and the stop-after-logging flag of `request`. So a
  // run never inherits the flag from an earlier run that was stopped or
  // failed. Starters call MeasurementWorker::Start, not this.
  void BeginRun(const RunRequest& request) {
    frame_limit_.store(request.frame_limit_);
    stop_after_logging_.store(request.end_with_logging_);
    run_flag_.store(true);
  }

  // User-interface thread: ends the run. Returns at once; the worker sees it
  // at the top of its next cycle, stops the camera and ends without telling
  // anyone.
  void RequestStop() { run_flag_.store(false); }

  // Worker, at the top of each cycle: false once a stop was requested.
  bool RunGoesOn() const { return run_flag_.load(); }

  // Worker, when the camera refused to start: the run runs no cycle.
  void CancelCycles() { frame_limit_.store(0); }
  // Worker, before the first cycle: false after CancelCycles.
  bool RunsCycles() const { return frame_limit_.load() != 0; }
  // Worker, after each cycle (failed ones count): true when `cycles` cycles
  // were all the run asked for.
  bool CycleLimitReached(int cycles) const {
    const int limit = frame_limit_.load();
    return limit > 0 && cycles >= limit;
  }

  // Worker, at the end of a run: true when the run ended by itself (no stop
  // request came). Afterwards no run goes on.
  bool EndRun() { return run_flag_.exchange(false); }

  // ---- Temperature sampling ----

  // User-interface thread, any time: with `stop` true no temperatures are
  // read and none are logged, from the worker's next once-per-second read.
  void SetStopSampling(bool stop) { stop_sampling_.store(stop); }
  // Worker, once per second and at each burst start.
  bool SamplingStopped() const { return stop_sampling_.load(); }

  // ---- Logging runs ----

  // User-interface thread: a logging run of `total` frames (at least 1),
  // bursts of `once` frames, burst starts at least `interval` whole seconds
  // apart. Takes effect at the worker's next schedule step, with the
  // log number starting at 0.
  void StartLogging(int total, int once, int interval) {
    log_once_.store(once);
    log_interval_.store(interval);
    log_total_.store(total < 1 ? 1 : total);  // last: the worker reads it first
  }

  // User-interface thread ("Stop" of the logging panel, or the capture
  // tool's clean stop): the logging run logs one more frame and then ends as
  // if complete. Nothing happens when no logging run is open, so a stop that
  // crosses the end of a logging run does not log a stray frame.
  void StopLogging() {
    int total = log_total_.load();
    while (total > 0 && !log_total_.compare_exchange_weak(total, kLastFrame)) {
    }
  }

  // Worker, at each schedule step.
  LoggingOrder Logging() const {
    LoggingOrder order;
    const int total = log_total_.load();
    if (total == kLastFrame) {
      order.phase = LoggingPhase::kLastFrame;
    } else if (total > 0) {
      order.phase = LoggingPhase::kCounting;
      order.total = total;
    }
    const int once = log_once_.load();
    order.once = once < 1 ? 1 : once;  // a burst of 0 frames would divide by zero
    order.interval = log_interval_.load();
    return order;
  }

  // Worker, when a logging run ends, before it reports the end: no logging
  // run is open any more. (Before, so that a logging run the user starts on
  // seeing the report is not cleared with the old one.)
  void EndLogging() { log_total_.store(0); }

  // True while a logging run is open (asked for and not yet ended).
  bool LoggingOpen() const { return log_total_.load() != 0; }

  // Worker, when a logging run ends: true (once) when that logging run was
  // the reason for the run, which then ends too.
  bool TakeStopAfterLogging() { return stop_after_logging_.exchange(false); }
  bool StopsAfterLogging() const { return stop_after_logging_.load(); }

  // ---- Shared with the 3D side ----

  // The format index of the frames (selects the frame family) and the 3D
  // stopped flag (the export ring is written only while it is 0), shared
  // with the 3D bridge thread.
  Display3DState display3d;
  // The data folder (holds "3d_data/"), ending in '/'. Set once before any
  // thread starts.
  std::string data_folder;

 private:
  static constexpr int kLastFrame = -1;

  std::atomic<bool> run_flag_{false};
  std::atomic<int> frame_limit_{0};  // 1.., -1 continuous, 0 no cycle
  std::atomic<bool> stop_sampling_{false};
  std::atomic<int> log_total_{0};  // 0 off, 1.. frames, kLastFrame
  std::atomic<int> log_once_{1};
  std::atomic<int> log_interval_{1};
  std::atomic<bool> stop_after_logging_{false};
};

}  // namespace kelvara
