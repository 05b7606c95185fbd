#include "measurement_worker.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "centre_readout.h"
#include "export_ring.h"
#include "frame_decode.h"
#include "frame_layout.h"
#include "log_writer.h"
#include "rendering_model.h"

namespace kelvara {
namespace {

constexpr int kMaxConsecutiveFailures = 10;      // the 11th failed cycle ends the run
constexpr int64_t kTicksPerSecond = 1000000000;  // steady clock ticks (ns)

// `status` by reference: in CommandOk(link.X(&status), status) the status
// must be read after the command has filled it in, whatever order the
// arguments are evaluated in.
bool CommandOk(int rc, const unsigned char& status) { return rc == 0 && status == 0; }

// The state of one run, private to the worker thread.
class ActiveRun {
 public:
  // `publish` receives the frame health after every cycle.
  ActiveRun(MeasurementContext& c, std::function<void(const FrameHealth&)> publish)
      : c_(c), publish_(std::move(publish)), frame_(kMeasurementFrameBytes, 0), ring_(c.control.program_folder) {}

  RunSummary Execute();

 private:
  enum class Step { kContinue, kEnd };

  Step Cycle();
  Step FailedCycle(int rc);
  Step CountTowardsLimit();
  void RateAndTemperatures(int64_t cycle_start, int64_t receipt);
  Step LoggingSchedule(int64_t elapsed_s);
  Step EndLoggingRun(int format_index);
  int64_t Now() const { return c_.now_ns(); }

  MeasurementContext& c_;
  std::function<void(const FrameHealth&)> publish_;
  std::vector<unsigned char> frame_;  // the worker's own copy of the last frame
  FrameDecoder decoder_;
  ExportRing ring_;
  TemperatureSample temperatures_;
  RunSummary summary_;

  int64_t start_tick_ = 0;
  int64_t last_shown_second_ = -1;
  int failures_ = 0;
  int cycles_ = 0;
  int log_number_ = 0;
  int64_t last_burst_second_ = -1;
  int64_t pending_burst_second_ = 0;
};

RunSummary ActiveRun::Execute() {
  unsigned char status = 0;
  int rc = c_.link.StartMeasurement(&status);
  if (!CommandOk(rc, status)) {
    c_.notifier.ShowMessage("Start measurement failed!!", MessageIcon::kExclamation);
    c_.control.CancelCycles();
    summary_.end = RunEnd::kStartFailed;
  }
  start_tick_ = Now();

  if (c_.control.RunsCycles()) {
    while (c_.control.RunGoesOn()) {
      const Step step = Cycle();
      publish_(summary_.health);
      if (step == Step::kEnd) break;
    }
    if (summary_.end == RunEnd::kNone) summary_.end = RunEnd::kStopRequest;
  }

  // End of the run: stop the camera (the outcome does not matter).
  c_.link.StopMeasurement(&status);
  summary_.elapsed_ns = Now() - start_tick_;
  summary_.frames_logged = summary_.health.frames_logged;
  c_.outputs.FrameHealthUpdate(summary_.health);
  if (c_.control.EndRun()) c_.outputs.RunEndedByItself();
  return summary_;
}

ActiveRun::Step ActiveRun::Cycle() {
  const int64_t cycle_start = Now();
  unsigned char status = 0;
  // The link copies the frame into the worker's own buffer, which no later
  // exchange touches.
  int rc = c_.link.GetResult(&status, &frame_);
  if (!CommandOk(rc, status)) return FailedCycle(rc);

  const int64_t receipt = Now();
  c_.outputs.FrameReceived(frame_.data(), frame_.size(), receipt);
  failures_ = 0;
  FrameHealth& health = summary_.health;
  health.last_frame_number = summary_.frames;
  health.last_receipt_ns = receipt;
  ++summary_.frames;
  health.frames_received = summary_.frames;

  const int format_index = c_.control.display3d.format_index.load();
  DisplayPlanes planes;
  int centre = 0;
  if (decoder_.DecodeFrame(format_index, frame_.data(), frame_.size(), &planes)) {
    c_.picture.RenderFrame(planes);
    centre = planes.CentreValue();
    ++health.frames_shown;
  }
  c_.outputs.PictureChanged();
  c_.outputs.CentreReadout(CentreReadout(format_index, centre));

  const int64_t elapsed_s = (Now() - start_tick_) / kTicksPerSecond;
  if (elapsed_s > last_shown_second_) {
    last_shown_second_ = elapsed_s;
    RateAndTemperatures(cycle_start, receipt);
  }

  if (LoggingSchedule(elapsed_s) == Step::kEnd) return Step::kEnd;

  if (c_.control.display3d.stopped.load() == 0) ring_.Write(frame_.data());

  return CountTowardsLimit();
}

ActiveRun::Step ActiveRun::FailedCycle(int rc) {
  ++summary_.failed_cycles;
  FrameHealth& health = summary_.health;
  switch (rc) {
    case CMD_ERR_NO_RESPONSE: ++health.no_response; break;
    case CMD_ERR_START_BYTE: ++health.wrong_start_byte; break;
    case CMD_ERR_LENGTH: ++health.length_mismatch; break;
    default: ++health.other_failures; break;
  }
  if (++failures_ > kMaxConsecutiveFailures) {
    c_.notifier.ShowMessage("Get mesurement result failed!!", MessageIcon::kExclamation);
    summary_.end = RunEnd::kFailures;
    return Step::kEnd;
  }
  return CountTowardsLimit();
}

ActiveRun::Step ActiveRun::CountTowardsLimit() {
  if (c_.control.CycleLimitReached(++cycles_)) {
    summary_.end = RunEnd::kFrameLimit;
    return Step::kEnd;
  }
  return Step::kContinue;
}

void ActiveRun::RateAndTemperatures(int64_t cycle_start, int64_t receipt) {
  if (!c_.control.SamplingStopped()) {
    unsigned char status = 0;
    ImagerTemperatures chip;
    if (CommandOk(c_.link.GetImagerTemperature(&status, &chip), status)) {
      temperatures_.upper_left = chip.values[0];
      temperatures_.upper_right = chip.values[1];
      temperatures_.lower_left = chip.values[2];
      temperatures_.lower_right = chip.values[3];
    }
    int16_t led = 0;
    if (CommandOk(c_.link.GetLedTemperature(&status, &led), status)) temperatures_.led = led;
    temperatures_.sampled = 0;
  } else {
    temperatures_.sampled = -1;
  }
  // The rate that the exchange of this one frame would allow.
  const int64_t ticks = receipt - cycle_start;
  const double rate = ticks > 0 ? static_cast<double>(kTicksPerSecond) / static_cast<double>(ticks) : 0.0;
  c_.outputs.MonitorUpdate(rate, temperatures_);
  c_.outputs.FrameHealthUpdate(summary_.health);
}

ActiveRun::Step ActiveRun::LoggingSchedule(int64_t elapsed_s) {
  const LoggingOrder order = c_.control.Logging();
  bool logged;
  switch (order.phase) {
    case LoggingPhase::kLastFrame: logged = true; break;
    case LoggingPhase::kOff: logged = false; break;
    default: logged = last_burst_second_ == -1 || elapsed_s - last_burst_second_ >= order.interval;
  }
  if (!logged) return Step::kContinue;

  // A burst of "once" frames.
  const int once = order.once;
  if (log_number_ % once == 0) {
    pending_burst_second_ = elapsed_s;
    if (!c_.control.SamplingStopped()) c_.logger.WriteTemperatureLog(temperatures_);
  }
  c_.logger.WriteFrameLogs(log_number_, frame_.data(), frame_.size());
  ++log_number_;
  ++summary_.health.frames_logged;
  if (log_number_ % once == 0) last_burst_second_ = pending_burst_second_;
  c_.outputs.LogProgress(log_number_, order.ProgressTotal());

  if (order.EndsAt(log_number_)) return EndLoggingRun(c_.control.display3d.format_index.load());
  return Step::kContinue;
}

ActiveRun::Step ActiveRun::EndLoggingRun(int format_index) {
  bool restart_failed = false;
  if (LogsOfFormat(format_index).angle_logs) {
    // The angle table can only be fetched while the camera is not measuring.
    unsigned char status = 0;
    c_.link.StopMeasurement(&status);
    ThetaPhiTable table;
    if (CommandOk(c_.link.GetAngleTable(&status, &table), status)) c_.logger.WriteAngleLogs(table);
    if (!CommandOk(c_.link.StartMeasurement(&status), status)) {
      c_.notifier.ShowMessage("Start measurement failed!!", MessageIcon::kExclamation);
      restart_failed = true;
    }
  }
  // The settings block closes the logging run even when the restart failed,
  // so that the frames logged so far are described.
  c_.logger.WriteSettingsLog(c_.parameters ? c_.parameters() : DeviceParameters{}, log_number_);
  c_.control.EndLogging();
  c_.outputs.LoggingRunEnded();
  log_number_ = 0;
  last_burst_second_ = -1;

  if (restart_failed) {
    summary_.end = RunEnd::kRestartFailed;
    return Step::kEnd;
  }
  if (c_.control.TakeStopAfterLogging()) {
    summary_.end = RunEnd::kLoggingEnded;
    return Step::kEnd;
  }
  return Step::kContinue;
}

}  // namespace

int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

MeasurementWorker::MeasurementWorker(MeasurementContext context) : context_(std::move(context)) {
  if (!context_.now_ns) context_.now_ns = &SteadyNowNs;
}

MeasurementWorker::~MeasurementWorker() { Wait(); }

StartResult MeasurementWorker::Start(const RunRequest& request) {
  std::thread finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_) {
      // Never two runs on the camera link, and never a wait here: the
      // worker thread begins this run when the current one has ended.
      queued_ = request;
      return StartResult::kQueued;
    }
    finished = std::move(thread_);
    // Begun here, before the thread exists, so that a stop request that
    // follows at once is never overwritten.
    context_.control.BeginRun(request);
    running_ = true;
    try {
      thread_ = std::thread(&MeasurementWorker::Run, this);
    } catch (const std::system_error&) {
      running_ = false;
      context_.control.EndRun();
      thread_ = std::move(finished);
      return StartResult::kFailed;
    }
  }
  // The previous thread has reported its end and has only to return (it
  // may be this very thread, starting a run from its end report).
  if (finished.joinable()) {
    if (finished.get_id() == std::this_thread::get_id())
      finished.detach();
    else
      finished.join();
  }
  return StartResult::kStarted;
}

void MeasurementWorker::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_.reset();
  context_.control.RequestStop();
}

bool MeasurementWorker::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

void MeasurementWorker::Wait() {
  std::thread old;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    ended_.wait(lock, [this] { return !running_; });
    old = std::move(thread_);
  }
  if (old.joinable()) old.join();
}

bool MeasurementWorker::WaitForEnd(int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return ended_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return !running_; });
}

RunSummary MeasurementWorker::LastSummary() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return summary_;
}

FrameHealth MeasurementWorker::Health() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return health_;
}

void MeasurementWorker::Run() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      health_ = FrameHealth();
    }
    ActiveRun run(context_, [this](const FrameHealth& health) {
      std::lock_guard<std::mutex> lock(mutex_);
      health_ = health;
    });
    const RunSummary summary = run.Execute();
    std::unique_lock<std::mutex> lock(mutex_);
    summary_ = summary;
    health_ = summary.health;
    if (queued_) {
      // A start that came while this run was going or ending.
      context_.control.BeginRun(*queued_);
      queued_.reset();
      continue;
    }
    running_ = false;
    ended_.notify_all();
    lock.unlock();
    // Told after the lock is let go: the callee may start the next run.
    if (context_.ended) context_.ended();
    return;
  }
}

}  // namespace kelvara
