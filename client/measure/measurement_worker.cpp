#include "measurement_worker.h"

#include <chrono>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "centre_readout.h"
#include "device_commands.h"
#include "export_ring.h"
#include "frame_decode.h"
#include "frame_layout.h"
#include "log_writer.h"
#include "rendering_model.h"

namespace kelvara {
namespace {

constexpr int kMaxConsecutiveFailures = 10;  // the 11th failed cycle ends the run
constexpr int64_t kTicksPerSecond = 1000000000;  // steady clock ticks (ns)

bool CommandOk(int rc, unsigned char status) { return rc == 0 && status == 0; }

// The state of one run, private to the worker thread.
class ActiveRun {
 public:
  explicit ActiveRun(MeasurementContext& c)
      : c_(c), frame_(kMeasurementFrameBytes, 0), ring_(c.control.program_folder) {}

  RunSummary Execute();

 private:
  enum class Step { kContinue, kEnd };

  Step Cycle();
  Step FailedCycle();
  Step CountTowardsLimit();
  void RateAndTemperatures(int64_t cycle_start, int64_t receipt);
  Step LoggingSchedule(int64_t elapsed_s);
  Step EndLoggingRun(int format_index);
  int64_t Now() const { return c_.now_ns(); }

  MeasurementContext& c_;
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
  int rc = StartMeasurement(&status);
  if (!CommandOk(rc, status)) {
    c_.notifier.ShowMessage("Start measurement failed!!", MessageIcon::kExclamation);
    c_.control.frame_limit.store(0);
    summary_.end = RunEnd::kStartFailed;
  }
  start_tick_ = Now();

  if (c_.control.frame_limit.load() != 0) {
    while (c_.control.run_flag.load() != 0) {
      if (Cycle() == Step::kEnd) break;
    }
    if (summary_.end == RunEnd::kNone) summary_.end = RunEnd::kStopRequest;
  }

  // End of the run: stop the camera (the outcome does not matter).
  StopMeasurement(&status);
  summary_.elapsed_ns = Now() - start_tick_;
  if (c_.control.run_flag.load() != 0) c_.outputs.RunEndedByItself();
  return summary_;
}

ActiveRun::Step ActiveRun::Cycle() {
  const int64_t cycle_start = Now();
  unsigned char status = 0;
  const unsigned char* reply = nullptr;
  int rc = GetResult(&status, &reply);
  if (!CommandOk(rc, status) || reply == nullptr) return FailedCycle();

  const int64_t receipt = Now();
  std::memcpy(frame_.data(), reply, kMeasurementFrameBytes);
  c_.outputs.FrameReceived(frame_.data(), frame_.size(), receipt);
  failures_ = 0;
  ++summary_.frames;

  // Decode and draw from the worker's own copy: the receive buffer is
  // overwritten by the next exchange.
  const int format_index = c_.control.display3d.format_index.load();
  DisplayPlanes planes;
  int centre = 0;
  if (decoder_.DecodeFrame(format_index, frame_.data(), frame_.size(), &planes)) {
    c_.picture.RenderFrame(planes);
    centre = planes.CentreValue();
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

ActiveRun::Step ActiveRun::FailedCycle() {
  ++summary_.failed_cycles;
  if (++failures_ > kMaxConsecutiveFailures) {
    c_.notifier.ShowMessage("Get mesurement result failed!!", MessageIcon::kExclamation);
    summary_.end = RunEnd::kFailures;
    return Step::kEnd;
  }
  return CountTowardsLimit();
}

ActiveRun::Step ActiveRun::CountTowardsLimit() {
  const int limit = c_.control.frame_limit.load();
  if (limit > 0 && ++cycles_ == limit) {
    summary_.end = RunEnd::kFrameLimit;
    return Step::kEnd;
  }
  return Step::kContinue;
}

void ActiveRun::RateAndTemperatures(int64_t cycle_start, int64_t receipt) {
  if (c_.control.stop_sampling.load() == 0) {
    unsigned char status = 0;
    ImagerTemperatures chip;
    if (CommandOk(GetImagerTemperature(&status, &chip), status)) {
      temperatures_.upper_left = chip.values[0];
      temperatures_.upper_right = chip.values[1];
      temperatures_.lower_left = chip.values[2];
      temperatures_.lower_right = chip.values[3];
    }
    int16_t led = 0;
    if (CommandOk(GetLedTemperature(&status, &led), status)) temperatures_.led = led;
    temperatures_.sampled = 0;
  } else {
    temperatures_.sampled = -1;
  }
  // The rate that the exchange of this one frame would allow.
  const int64_t ticks = receipt - cycle_start;
  const double rate = ticks > 0 ? static_cast<double>(kTicksPerSecond) / static_cast<double>(ticks) : 0.0;
  c_.outputs.MonitorUpdate(rate, temperatures_);
}

ActiveRun::Step ActiveRun::LoggingSchedule(int64_t elapsed_s) {
  const int total = c_.control.log_total.load();
  bool logged;
  if (total == -1) {
    logged = true;
  } else if (total <= 0) {
    logged = false;
  } else if (last_burst_second_ == -1) {
    logged = true;
  } else {
    logged = elapsed_s - last_burst_second_ >= c_.control.log_interval.load();
  }
  if (!logged) return Step::kContinue;

  // A burst of "once" frames; a value below 1 would divide by zero.
  int once = c_.control.log_once.load();
  if (once < 1) once = 1;
  if (log_number_ % once == 0) {
    pending_burst_second_ = elapsed_s;
    if (c_.control.stop_sampling.load() == 0) c_.logger.WriteTemperatureLog(temperatures_);
  }
  c_.logger.WriteFrameLogs(log_number_, frame_.data(), frame_.size());
  ++log_number_;
  ++summary_.frames_logged;
  if (log_number_ % once == 0) last_burst_second_ = pending_burst_second_;
  c_.outputs.LogProgress(log_number_, total);

  if (total == log_number_ || total == -1) return EndLoggingRun(c_.control.display3d.format_index.load());
  return Step::kContinue;
}

ActiveRun::Step ActiveRun::EndLoggingRun(int format_index) {
  bool restart_failed = false;
  if (LogsOfFormat(format_index).angle_logs) {
    // The angle table can only be fetched while the camera is not measuring.
    unsigned char status = 0;
    StopMeasurement(&status);
    ThetaPhiTable table;
    if (CommandOk(GetAngleTable(&status, &table), status)) c_.logger.WriteAngleLogs(table);
    if (!CommandOk(StartMeasurement(&status), status)) {
      c_.notifier.ShowMessage("Start measurement failed!!", MessageIcon::kExclamation);
      restart_failed = true;
    }
  }
  // The settings block closes the logging run even when the restart failed,
  // so that the frames logged so far are described.
  c_.logger.WriteSettingsLog(c_.parameters ? c_.parameters() : DeviceParameters{}, log_number_);
  c_.outputs.LoggingRunEnded();
  c_.control.log_total.store(0);
  log_number_ = 0;
  last_burst_second_ = -1;

  if (restart_failed) {
    summary_.end = RunEnd::kRestartFailed;
    return Step::kEnd;
  }
  if (c_.control.stop_after_logging.exchange(0) != 0) {
    summary_.end = RunEnd::kLoggingEnded;
    return Step::kEnd;
  }
  return Step::kContinue;
}

}  // namespace

int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

MeasurementWorker::MeasurementWorker(MeasurementContext context) : context_(std::move(context)) {
  if (!context_.now_ns) context_.now_ns = &SteadyNowNs;
}

MeasurementWorker::~MeasurementWorker() { Wait(); }

bool MeasurementWorker::Start() {
  Wait();  // never two workers on the camera link
  context_.control.run_flag.store(1);
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = true;
  try {
    thread_ = std::thread(&MeasurementWorker::Run, this);
  } catch (const std::system_error&) {
    running_ = false;
    context_.control.run_flag.store(0);
    return false;
  }
  return true;
}

void MeasurementWorker::RequestStop() { context_.control.run_flag.store(0); }

bool MeasurementWorker::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

void MeasurementWorker::Wait() {
  std::thread old;
  {
    std::lock_guard<std::mutex> lock(mutex_);
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

void MeasurementWorker::Run() {
  ActiveRun run(context_);
  RunSummary summary = run.Execute();
  std::lock_guard<std::mutex> lock(mutex_);
  summary_ = summary;
  running_ = false;
  ended_.notify_all();
}

}  // namespace kelvara
