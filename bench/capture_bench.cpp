// The measurement loop's speed: frames per second against the unpaced
// simulator with logging off and with the heaviest logging (format 5, CSV
// and PCD), beside the raw link rate of the same simulator; and the loop's
// own work per frame against a fake camera that costs nothing.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/loop_bench_support.h"
#include "camera_facts/command_codes.h"
#include "camsim/testing/sim_process.h"
#include "config/testing/recording_notifier.h"
#include "display/rendering_model.h"
#include "link/camera_link.h"
#include "logging/log_writer.h"
#include "measure/measurement_worker.h"
#include "measure/run_control.h"
#include "measure/testing/fake_camera.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

// One simulator (pattern scene, no pacing) for the whole program.
struct Simulator {
  testing::PrivateRuntimeDir runtime;
  std::unique_ptr<testing::SimProcess> process = testing::SimProcess::Start({"--scene", "pattern"});
  CameraLink link{UartSerialLibrary()};
  bool open = process && link.Open(process->port());
};
Simulator& Sim() {
  static Simulator sim;
  return sim;
}

void SetCameraFormat(int format_index) {
  unsigned char status = 0;
  Sim().link.SetFormat(kFormatCodes[format_index], &status);
}

// Runs one worker run of kFramesPerRun frames per iteration.
void RunLoop(benchmark::State& state, CameraLink& link, int format_index, bool logging) {
  RunControl control;
  RenderingModel picture;
  LogWriter logger;
  RecordingNotifier notifier;
  NoOutputs outputs;
  const kelvara::testing::TempFolder temp("kelvara-bench");
  const std::string folder = temp.path();
  control.data_folder = folder + "/";
  control.display3d.format_index = format_index;
  picture.display_format = format_index;
  logger.SetFormatIndex(format_index);
  logger.SetCsvCheck(logging);
  logger.SetPcdCheck(logging);
  logger.SetBinCheck(false);
  logger.SetPngSaver([&picture](const std::string& path) { return picture.SaveImageAsPng(path, 0); });
  MeasurementWorker worker(MeasurementContext{link, control, picture, logger, notifier, outputs,
                                              [] { return DeviceParameters{}; }, nullptr});
  for (auto _ : state) {
    if (logging) {
      logger.StartRun(folder, "b");
      control.StartLogging(kFramesPerRun, 1, 0);
    }
    worker.Start(RunRequest::Cycles(kFramesPerRun));
    worker.Wait();
  }
  state.SetItemsProcessed(state.iterations() * kFramesPerRun);
}

// Frames fetched through the link library alone.
void BM_RawLinkRate(benchmark::State& state) {
  if (!Sim().open) return state.SkipWithError("simulator not running");
  SetCameraFormat(5);
  FetchResults(state, Sim().link);
}
BENCHMARK(BM_RawLinkRate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CaptureLoggingOff(benchmark::State& state) {
  if (!Sim().open) return state.SkipWithError("simulator not running");
  SetCameraFormat(5);
  RunLoop(state, Sim().link, 5, false);
}
BENCHMARK(BM_CaptureLoggingOff)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CaptureFormat5CsvPcd(benchmark::State& state) {
  if (!Sim().open) return state.SkipWithError("simulator not running");
  SetCameraFormat(5);
  RunLoop(state, Sim().link, 5, true);
}
BENCHMARK(BM_CaptureFormat5CsvPcd)->Unit(benchmark::kMillisecond)->UseRealTime();

// The loop's own work per frame (decode, render, temperatures once a
// second, CSV + PCD logs), with a camera that answers at no cost.
void BM_LoopWorkFormat5CsvPcd(benchmark::State& state) {
  FakeCamera camera(5);
  CameraLink link(camera);
  RunLoop(state, link, 5, true);
}
BENCHMARK(BM_LoopWorkFormat5CsvPcd)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvara
namespace kelvara {
namespace {
void BM_LoopWorkFormat5NoLogs(benchmark::State& state) {
  FakeCamera camera(5);
  CameraLink link(camera);
  RunLoop(state, link, 5, false);
}
BENCHMARK(BM_LoopWorkFormat5NoLogs)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace
}  // namespace kelvara
