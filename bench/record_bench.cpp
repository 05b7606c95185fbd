// What recording costs and what a replay serves: the measurement loop's
// frames per second against the unpaced pattern simulator, with and without
// the recorder (goal: at least 0.95 x); result requests per second from a
// replay of a pattern recording beside the live simulator (goal: at least
// as fast).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <string>

#include "bench/loop_bench_support.h"
#include "camera_facts/command_codes.h"
#include "camsim/pattern_scene.h"
#include "camsim/testing/sim_process.h"
#include "record/recording_outputs.h"
#include "config/notifier.h"
#include "display/rendering_model.h"
#include "link/camera_link.h"
#include "link/device_commands.h"
#include "logging/log_writer.h"
#include "measure/measurement_worker.h"
#include "measure/run_control.h"
#include "recording/recording_writer.h"
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
    recording::RecordingHeader h;
    h.format_code = kFormatCodes[5];
    h.replies.push_back({CMD_GET_VERSION, pattern::VersionPayload()});
    recording::RecordingWriter w;
    w.Open(p, h);
    const std::vector<unsigned char> frame = pattern::Frame(5);
    for (int k = 0; k < 50; ++k)
      w.Append(recording::RecordKind::kFrame, k * 1000000LL, frame.data(), static_cast<uint32_t>(frame.size()));
    w.Close();
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
