// What recording costs and what a replay serves: the measurement loop's
// frames per second against the unpaced pattern simulator, with and without
// the recorder (goal: at least 0.95 x); the client's session logging format
// 5 with CSV and PCD files, with and without its recording (goal: no frame
// lost to the log); result requests per second from a replay of a pattern
// recording beside the live simulator (goal: at least as fast).
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <string>

#include "bench/loop_bench_support.h"
#include "bench/pattern_recording.h"
#include "camera_facts/command_codes.h"
#include "camsim/pattern_scene.h"
#include "camsim/testing/sim_process.h"
#include "config/notifier.h"
#include "display/rendering_model.h"
#include "link/camera_link.h"
#include "link/device_commands.h"
#include "logging/log_writer.h"
#include "measure/measurement_worker.h"
#include "measure/run_control.h"
#include "record/recording_outputs.h"
#include "recording/recording_writer.h"
#include "session/session.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

class NoMessages : public Notifier {
 public:
  void ShowMessage(const std::string&, MessageIcon) override {}
};

std::string Folder() {
  static const kelvara::testing::TempFolder folder("kelvara-bench");
  return folder.path();
}

// A recording of 50 pattern frames in format 5, written once.
std::string PatternRecording() {
  static const std::string path = [] {
    const std::string p = Folder() + "/pattern.kvrec";
    WritePatternRecording(p, 50, 1000000LL);
    return p;
  }();
  return path;
}

// One simulator on the link at a time.
struct Link {
  testing::PrivateRuntimeDir runtime;
  std::unique_ptr<testing::SimProcess> sim;
  CameraLink link{UartSerialLibrary()};
  bool Use(const std::vector<std::string>& args) {
    link.Close();
    sim.reset();
    sim = testing::SimProcess::Start(args);
    if (!sim || !link.Open(sim->port())) return false;
    unsigned char status = 0;
    return link.SetFormat(kFormatCodes[5], &status) == 0 && status == 0;
  }
};
Link& TheLink() {
  static Link link;
  return link;
}

void RunLoop(benchmark::State& state, bool record) {
  if (!TheLink().Use({"--scene", "pattern"})) return state.SkipWithError("simulator not running");
  RunControl control;
  RenderingModel picture;
  LogWriter logger;
  NoMessages notifier;
  NoOutputs plain;
  control.data_folder = Folder() + "/";
  control.display3d.format_index = 5;
  control.display3d.stopped = 1;
  picture.display_format = 5;
  logger.SetFormatIndex(5);
  const std::string path = Folder() + "/bench.kvrec";
  for (auto _ : state) {
    // A fresh file each run, so the disk does not fill; the capture tool's
    // recorder with its writing thread. Opening and the final flush to disk
    // happen once per recording, not per frame: they are not timed.
    state.PauseTiming();
    recording::RecordingWriter writer;
    if (record && !writer.Open(path, recording::RecordingHeader{})) return state.SkipWithError("cannot record");
    state.ResumeTiming();
    RecordingOutputs recorded(plain, writer, SteadyNowNs());
    MeasurementWorker worker(MeasurementContext{TheLink().link, control, picture, logger, notifier,
                                                record ? static_cast<MeasurementOutputs&>(recorded) : plain,
                                                [] { return DeviceParameters{}; }, nullptr});
    worker.Start(RunRequest::Cycles(kFramesPerRun));
    worker.Wait();
    recorded.Finish();  // every frame written: the recorder kept up
    state.PauseTiming();
    if (record && !writer.Close()) return state.SkipWithError("recording failed");
    state.ResumeTiming();
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kFramesPerRun);
}

void BM_LoopFormat5(benchmark::State& state) { RunLoop(state, false); }
BENCHMARK(BM_LoopFormat5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoopFormat5Recording(benchmark::State& state) { RunLoop(state, true); }
BENCHMARK(BM_LoopFormat5Recording)->Unit(benchmark::kMillisecond)->UseRealTime();

class QuietObserver : public SessionObserver {
 public:
  void ShowMessage(const std::string&, MessageIcon) override {}
  void CentreReadout(const std::string&) override {}
  void MonitorUpdate(double, const TemperatureSample&) override {}
  void LogProgress(int, int) override {}
  void LoggingRunEnded() override {}
  void RunEndedByItself() override {}
};

// A logging run of every frame (format 5, CSV and PCD) through the client's
// session per iteration, with Record down or up. Counters: frames per
// second, and frames lost to the log (failed cycles and frames of the run
// not logged); with recording also frames recorded but missing.
void SessionLogging(benchmark::State& state, bool record) {
  constexpr int kFrames = 200;
  Link& shared = TheLink();  // its runtime folder; its simulator is not used
  shared.link.Close();
  shared.sim.reset();
  auto sim = testing::SimProcess::Start({"--scene", "pattern"});
  if (!sim) return state.SkipWithError("simulator not running");
  QuietObserver observer;
  SessionOptions options;
  options.program_folder = options.data_folder = Folder() + "/";
  options.refresh_angle_file = false;
  options.apply_at_start = false;
  Session session(UartSerialLibrary(), observer, std::move(options));
  if (session.Connect(sim->port()) != ConnectResult::kConnected || !session.SendFormat(5))
    return state.SkipWithError("cannot connect");
  session.SetLoggingSchedule({kFrames, 1, 0});
  LogWriter& logger = session.logger();
  logger.SetCsvCheck(true);
  logger.SetPcdCheck(true);
  logger.SetBinCheck(false);
  const std::string logs = Folder() + "/logs";
  mkdir(logs.c_str(), 0700);
  const std::string path = Folder() + "/session.kvrec";
  int64_t frames = 0, lost = 0, unrecorded = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string error;
    logger.StartRun(logs, "b");
    if (record && session.StartRecording(path, &error) != RecordStart::kStarted)
      return state.SkipWithError("cannot record");
    state.ResumeTiming();
    if (session.StartLogging() != StartOutcome::kStarted) return state.SkipWithError("cannot start");
    while (!session.WaitForEnd(100)) {
    }
    state.PauseTiming();
    const FrameHealth h = session.LastSummary().health;
    frames += h.frames_received;
    lost += h.FailedCycles() + (kFrames - h.frames_logged);
    if (record) {
      session.StopRecording();
      unrecorded += h.frames_received - session.Recording().frames;
      std::remove(path.c_str());
    }
    state.ResumeTiming();
  }
  session.Shutdown();
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
  state.counters["frames_lost"] = static_cast<double>(lost);
  if (record) state.counters["frames_unrecorded"] = static_cast<double>(unrecorded);
}

void BM_SessionLoggingFormat5CsvPcd(benchmark::State& state) { SessionLogging(state, false); }
BENCHMARK(BM_SessionLoggingFormat5CsvPcd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SessionLoggingFormat5CsvPcdRecording(benchmark::State& state) { SessionLogging(state, true); }
BENCHMARK(BM_SessionLoggingFormat5CsvPcdRecording)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void ResultRate(benchmark::State& state, const std::vector<std::string>& args) {
  if (!TheLink().Use(args)) return state.SkipWithError("simulator not running");
  FetchResults(state, TheLink().link);
}

void BM_ResultRateLive(benchmark::State& state) { ResultRate(state, {"--scene", "pattern"}); }
BENCHMARK(BM_ResultRateLive)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResultRateReplay(benchmark::State& state) {
  ResultRate(state, {"--replay", PatternRecording(), "--loop", "--fps", "0"});
}
BENCHMARK(BM_ResultRateReplay)->Unit(benchmark::kMillisecond)->UseRealTime();

// The recorder's own work per frame (checksum and write into the page
// cache), which the loop pays on top of each cycle.
void BM_AppendFrame(benchmark::State& state) {
  const std::vector<unsigned char> frame = pattern::Frame(5);
  const std::string path = Folder() + "/append.kvrec";
  recording::RecordingWriter writer;
  int in_file = 0;
  for (auto _ : state) {
    if (in_file == 0 && !writer.Open(path, recording::RecordingHeader{})) return state.SkipWithError("cannot open");
    if (!writer.Append(recording::RecordKind::kFrame, 0, frame.data(), static_cast<uint32_t>(frame.size())))
      return state.SkipWithError("cannot write");
    if (++in_file == 100) {  // a fresh file now and then, so the disk does not fill
      state.PauseTiming();
      writer.Close();
      in_file = 0;
      state.ResumeTiming();
    }
  }
  writer.Close();
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size()));
}
BENCHMARK(BM_AppendFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvara
