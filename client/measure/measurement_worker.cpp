#include "measure/measurement_worker.h"

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "display/centre_readout.h"
#include "display/rendering_model.h"
#include "feed3d/export_ring.h"
#include "filters/camera_frame_filter.h"
#include "frame/frame_decode.h"
#include "frame/frame_layout.h"
#include "logging/log_writer.h"

namespace kelvara {
namespace {

constexpr int kMaxConsecutiveFailures = 10;      // the 11th failed cycle ends the run
constexpr int64_t kTicksPerSecond = 1000000000;  // steady clock ticks (ns)

// `status` by reference: in CommandOk(link.X(&status), status) the status
// must be read after the command has filled it in, whatever order the
// arguments are evaluated in.
bool CommandOk(int rc, const unsigned char& status) { return rc == 0 && status == 0; }

// One received frame on its way from the receive side to the work side,
// with what the receive side decided for it.
struct FrameWork {
  std::vector<unsigned char> frame;
  int64_t receipt = 0;
  int format_index = 0;
  bool monitor = false;  // the first frame of a new second: rate and temperatures
  double rate = 0;
  TemperatureSample temperatures;
  bool logged = false;
  bool temperature_line = false;  // a burst starts: the temperature log first
  int log_number = 0;
  int progress_total = 0;
};

// A bounded queue of frames between the two sides, with the buffers they
// travel in: the receive side waits for a free buffer, so it never runs
// more than kAhead frames ahead of the frame being worked on; the work side
// waits for a frame.
class FrameQueue {
 public:
  static constexpr size_t kAhead = 3;

  FrameQueue() {
    for (size_t i = 0; i < kAhead + 1; ++i) free_.push_back(std::make_unique<FrameWork>());
    for (auto& w : free_) w->frame.assign(kMeasurementFrameBytes, 0);
  }
  // Receive side: a buffer to receive into (waits while all are in use).
  std::unique_ptr<FrameWork> Acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty(); });
    std::unique_ptr<FrameWork> w = std::move(free_.back());
    free_.pop_back();
    return w;
  }
  // Receive side: an unused buffer back.
  void Return(std::unique_ptr<FrameWork> w) {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(w));
    changed_.notify_all();
  }
  void Push(std::unique_ptr<FrameWork> w) {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.push_back(std::move(w));
    changed_.notify_all();
  }
  // Work side: the next frame, or nullptr once Close was called and all
  // frames were taken. `*newer` tells whether another frame already waits.
  std::unique_ptr<FrameWork> Take(bool* newer) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !queued_.empty() || closed_; });
    if (queued_.empty()) return nullptr;
    std::unique_ptr<FrameWork> w = std::move(queued_.front());
    queued_.pop_front();
    *newer = !queued_.empty();
    busy_ = true;
    return w;
  }
  // Work side: a frame is done with.
  void Done(std::unique_ptr<FrameWork> w) {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(w));
    busy_ = false;
    changed_.notify_all();
  }
  // Receive side: waits until every queued frame has been worked on.
  void WaitDrained() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queued_.empty() && !busy_; });
  }
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<FrameWork>> free_;
  std::deque<std::unique_ptr<FrameWork>> queued_;
  bool busy_ = false;
  bool closed_ = false;
};

// The state of one run. Two threads share it: the receive side (the
// worker thread) is the only one that talks to the camera: it fetches the
// frames, reads the temperatures, decides the logging schedule and ends
// logging runs; the work side decodes, renders, shows, logs and exports
// each frame, in the order received, while the next one is fetched.
class ActiveRun {
 public:
  // `publish` receives the frame health after every cycle.
  ActiveRun(MeasurementContext& c, std::function<void(const FrameHealth&)> publish)
      : c_(c), publish_(std::move(publish)), ring_(c.control.data_folder) {}

  RunSummary Execute();

 private:
  enum class Step { kContinue, kEnd };

  // Receive side.
  Step Cycle();
  Step FailedCycle(int rc);
  Step CountTowardsLimit();
  void RateAndTemperatures(int64_t cycle_start, int64_t receipt, FrameWork* w);
  bool LoggingSchedule(int64_t elapsed_s, FrameWork* w);
  Step EndLoggingRun(int format_index);
  Step AwaitGate();
  // Hands a frame to the work side (worked on at once without a work thread).
  void Hand(std::unique_ptr<FrameWork> w);
  int64_t Now() const { return c_.now_ns(); }

  // Work side.
  void WorkLoop();
  void Work(FrameWork& w, bool newer);
  // The bytes the picture and the 3D view get: the frame itself, or a
  // filtered copy of it while filters are on.
  const unsigned char* ViewBytes(const FrameWork& w);
  bool Render(int format_index, const unsigned char* bytes, size_t size, int* centre);

  // Published under the lock, so that the worker's copy never goes back.
  template <typename F>
  void UpdateHealth(F change) {
    std::lock_guard<std::mutex> lock(health_mutex_);
    change(summary_.health);
    publish_(summary_.health);
  }
  FrameHealth HealthNow() {
    std::lock_guard<std::mutex> lock(health_mutex_);
    return summary_.health;
  }

  MeasurementContext& c_;
  std::function<void(const FrameHealth&)> publish_;
  FrameQueue queue_;
  std::thread work_thread_;
  bool work_thread_running_ = false;

  // Work side only.
  FrameDecoder decoder_;
  ExportRing ring_;
  std::unique_ptr<filters::FilterChain> chain_;
  int chain_mask_ = 0;
  int chain_format_ = -1;
  std::vector<unsigned char> filtered_;
  std::vector<uint8_t> flags_;

  // Receive side only.
  TemperatureSample temperatures_;
  int64_t start_tick_ = 0;
  int64_t last_shown_second_ = -1;
  int failures_ = 0;
  int cycles_ = 0;
  int log_number_ = 0;
  int64_t last_burst_second_ = -1;
  int64_t pending_burst_second_ = 0;

  std::mutex health_mutex_;  // guards summary_.health (both sides count)
  RunSummary summary_;
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
    try {
      work_thread_ = std::thread(&ActiveRun::WorkLoop, this);
      work_thread_running_ = true;
    } catch (const std::system_error&) {
      work_thread_running_ = false;  // the frames are worked on in turn instead
    }
    while (c_.control.RunGoesOn()) {
      if (Cycle() == Step::kEnd) break;
    }
    if (summary_.end == RunEnd::kNone) summary_.end = RunEnd::kStopRequest;
    queue_.Close();
    if (work_thread_running_) work_thread_.join();
  }

  // End of the run: stop the camera (the outcome does not matter).
  c_.link.StopMeasurement(&status);
  summary_.elapsed_ns = Now() - start_tick_;
  summary_.health = HealthNow();
  summary_.frames_logged = summary_.health.frames_logged;
  c_.outputs.FrameHealthUpdate(summary_.health);
  if (c_.control.EndRun()) c_.outputs.RunEndedByItself();
  return summary_;
}

void ActiveRun::Hand(std::unique_ptr<FrameWork> w) {
  if (work_thread_running_) {
    queue_.Push(std::move(w));
    return;
  }
  Work(*w, false);
  queue_.Return(std::move(w));
}

ActiveRun::Step ActiveRun::Cycle() {
  const int64_t cycle_start = Now();
  // A played-back recording's frame comes when its gate opens, as a live
  // camera's when the camera has it: the rate shown counts the wait.
  if (c_.gate != nullptr && AwaitGate() == Step::kEnd) return Step::kEnd;
  unsigned char status = 0;
  std::unique_ptr<FrameWork> w = queue_.Acquire();
  // The link copies the frame into a buffer of this run, which no later
  // exchange touches.
  int rc = c_.link.GetResult(&status, &w->frame);
  if (!CommandOk(rc, status)) {
    queue_.Return(std::move(w));
    return FailedCycle(rc);
  }

  const int64_t receipt = Now();
  failures_ = 0;
  w->receipt = receipt;
  w->format_index = c_.control.display3d.format_index.load();
  const int64_t number = summary_.frames++;
  UpdateHealth([&](FrameHealth& h) {
    h.last_frame_number = number;
    h.last_receipt_ns = receipt;
    h.frames_received = number + 1;
  });

  const int64_t elapsed_s = (Now() - start_tick_) / kTicksPerSecond;
  w->monitor = elapsed_s > last_shown_second_;
  if (w->monitor) {
    last_shown_second_ = elapsed_s;
    RateAndTemperatures(cycle_start, receipt, w.get());
  }
  const bool ends_logging = LoggingSchedule(elapsed_s, w.get());
  Hand(std::move(w));

  if (ends_logging) {
    // The logging run's last files come after all its frames.
    queue_.WaitDrained();
    if (EndLoggingRun(c_.control.display3d.format_index.load()) == Step::kEnd) return Step::kEnd;
  }
  return CountTowardsLimit();
}

ActiveRun::Step ActiveRun::FailedCycle(int rc) {
  ++summary_.failed_cycles;
  UpdateHealth([rc](FrameHealth& health) {
    switch (rc) {
      case CMD_ERR_NO_RESPONSE: ++health.no_response; break;
      case CMD_ERR_START_BYTE: ++health.wrong_start_byte; break;
      case CMD_ERR_LENGTH: ++health.length_mismatch; break;
      default: ++health.other_failures; break;
    }
  });
  if (++failures_ > kMaxConsecutiveFailures) {
    queue_.WaitDrained();
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

void ActiveRun::RateAndTemperatures(int64_t cycle_start, int64_t receipt, FrameWork* w) {
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
  w->rate = ticks > 0 ? static_cast<double>(kTicksPerSecond) / static_cast<double>(ticks) : 0.0;
  w->temperatures = temperatures_;
}

// Decides whether the frame is logged, and as which number; true when the
// logging run ends with it.
bool ActiveRun::LoggingSchedule(int64_t elapsed_s, FrameWork* w) {
  const LoggingOrder order = c_.control.Logging();
  bool logged;
  switch (order.phase) {
    case LoggingPhase::kLastFrame: logged = true; break;
    case LoggingPhase::kOff: logged = false; break;
    default: logged = last_burst_second_ == -1 || elapsed_s - last_burst_second_ >= order.interval;
  }
  w->logged = logged;
  if (!logged) return false;

  // A burst of "once" frames.
  const int once = order.once;
  w->temperature_line = false;
  if (log_number_ % once == 0) {
    pending_burst_second_ = elapsed_s;
    if (!c_.control.SamplingStopped()) {
      w->temperature_line = true;
      w->temperatures = temperatures_;
    }
  }
  w->log_number = log_number_;
  ++log_number_;
  if (log_number_ % once == 0) last_burst_second_ = pending_burst_second_;
  w->progress_total = order.ProgressTotal();
  return order.EndsAt(log_number_);
}

// Receive side, with the work side idle (all frames worked on).
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

// Receive side: waits at the played-back recording's gate. When the
// recording's last frame has been served (no loop), a logging run still
// open ends with the frames it has, as if complete: waiting on would log
// the last frame again at "Stop" or start over at the first at "Play".
ActiveRun::Step ActiveRun::AwaitGate() {
  for (;;) {
    switch (c_.gate->AwaitFrame([this] { return c_.control.RunGoesOn(); })) {
      case GateResult::kFrame: return Step::kContinue;
      case GateResult::kStopped: return Step::kEnd;
      case GateResult::kEnded: break;
    }
    if (!c_.control.LoggingOpen()) continue;  // rests on the last frame
    queue_.WaitDrained();
    const int asked = c_.control.Logging().ProgressTotal();
    const int logged = log_number_;
    const Step step = EndLoggingRun(c_.control.display3d.format_index.load());
    c_.notifier.ShowMessage("The recording ended: " + std::to_string(logged) +
                                (asked > 0 ? " of " + std::to_string(asked) : std::string()) + " frames logged.",
                            MessageIcon::kNone);
    if (step == Step::kEnd) return step;
  }
}

void ActiveRun::WorkLoop() {
  for (;;) {
    bool newer = false;
    std::unique_ptr<FrameWork> w = queue_.Take(&newer);
    if (!w) return;
    Work(*w, newer);
    queue_.Done(std::move(w));
  }
}

const unsigned char* ActiveRun::ViewBytes(const FrameWork& w) {
  const int mask = c_.control.Filters();
  if (mask == 0) {
    chain_.reset();  // the temporal average starts afresh when filters return
    return w.frame.data();
  }
  if (!chain_ || mask != chain_mask_ || w.format_index != chain_format_) {
    filters::FilterSettings settings;
    settings.flying = (mask & kFilterFlying) != 0;
    settings.spatial = (mask & kFilterSpatial) != 0;
    settings.temporal = (mask & kFilterTemporal) != 0;
    chain_ = std::make_unique<filters::FilterChain>(settings);
    chain_mask_ = mask;
    chain_format_ = w.format_index;
  }
  filtered_.assign(w.frame.begin(), w.frame.end());
  if (!filters::FilterCameraFrame(chain_.get(), w.format_index, filtered_.data(), filtered_.size(), &flags_))
    return w.frame.data();
  return filtered_.data();
}

bool ActiveRun::Render(int format_index, const unsigned char* bytes, size_t size, int* centre) {
  DisplayPlanes planes;
  if (!decoder_.DecodeFrame(format_index, bytes, size, &planes)) return false;
  *centre = planes.CentreValue();
  c_.picture.RenderFrame(planes);
  return true;
}

// Work side: everything a received frame goes through, in the order the
// sequential loop had it. The filters (when on) see every frame, and act
// on a copy: the picture and the 3D view show it, the logs and the
// recording get the camera's bytes.
void ActiveRun::Work(FrameWork& w, bool newer) {
  c_.outputs.FrameReceived(w.frame.data(), w.frame.size(), w.receipt);
  const unsigned char* view = ViewBytes(w);
  const bool filtered = view != w.frame.data();
  int centre = 0;
  bool shown = false;
  auto write_logs = [&] {
    if (w.temperature_line) c_.logger.WriteTemperatureLog(w.temperatures);
    c_.logger.WriteFrameLogs(w.log_number, w.frame.data(), w.frame.size());
  };
  // A logged frame is always drawn before its logs (its PNG is the
  // picture): the camera's own picture first when the one on screen is
  // filtered.
  if (w.logged && filtered) {
    Render(w.format_index, w.frame.data(), w.frame.size(), &centre);
    write_logs();
  }
  // Behind the link, the picture skips a frame that a newer one follows.
  if (!newer || w.logged) {
    shown = Render(w.format_index, view, w.frame.size(), &centre);
  } else {
    DisplayPlanes planes;
    if (decoder_.DecodeFrame(w.format_index, view, w.frame.size(), &planes)) centre = planes.CentreValue();
  }
  if (shown) c_.outputs.PictureChanged();
  c_.outputs.CentreReadout(CentreReadout(w.format_index, centre));
  if (w.monitor) {
    c_.outputs.MonitorUpdate(w.rate, w.temperatures);
    c_.outputs.FrameHealthUpdate(HealthNow());
  }
  if (w.logged) {
    if (!filtered) write_logs();
    c_.outputs.LogProgress(w.log_number + 1, w.progress_total);
  }
  if (c_.control.display3d.stopped.load() == 0) ring_.Write(view);
  UpdateHealth([&](FrameHealth& h) {
    if (shown) ++h.frames_shown;
    if (!shown && newer && !w.logged) ++h.frames_skipped;
    if (w.logged) ++h.frames_logged;
  });
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
    if (finished.get_id() == std::this_thread::get_id()) finished.detach();
    else finished.join();
  }
  return StartResult::kStarted;
}

void MeasurementWorker::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_.reset();
  context_.control.RequestStop();
  if (context_.gate != nullptr) context_.gate->Wake();
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
