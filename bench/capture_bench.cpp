// The measurement loop's speed: frames per second against the unpaced
// simulator with logging off and with the heaviest logging (format 5, CSV
// and PCD), beside the raw link rate of the same simulator; and the loop's
// own work per frame against a fake camera that costs nothing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "UART.h"
#include "command_codes.h"
#include "device_commands.h"
#include "fake_camera.h"
#include "log_writer.h"
#include "measurement_worker.h"
#include "recording_notifier.h"
#include "rendering_model.h"
#include "run_control.h"
#include "sim_process.h"
#include "temp_folder.h"

namespace kelvara {
namespace {

constexpr int kFramesPerRun = 40;

class NoOutputs : public MeasurementOutputs {
 public:
  void CentreReadout(const std::string&) override {}
  void MonitorUpdate(double, const TemperatureSample&) override {}
  void LogProgress(int, int) override {}
  void LoggingRunEnded() override {}
  void RunEndedByItself() override {}
};

// One simulator (pattern scene, no pacing) for the whole program.
struct Simulator {
  testing::PrivateRuntimeDir runtime;
  std::unique_ptr<testing::SimProcess> process =
      testing::SimProcess::Start({"--scene", "pattern"});
  bool open = process && com_init(process->port(), 0) != 0;
};
Simulator& Sim() {
  static Simulator sim;
  return sim;
}

void SetCameraFormat(int format_index) {
  unsigned char status = 0;
  SetFormat(kFormatCodes[format_index], &status);
}

// Runs one worker run of kFramesPerRun frames per iteration.
void RunLoop(benchmark::State& state, int format_index, bool logging) {
  RunControl control;
  RenderingModel picture;
  LogWriter logger;
  RecordingNotifier notifier;
  NoOutputs outputs;
  const kelvara::testing::TempFolder temp("kelvara-bench");
  const std::string folder = temp.path();
  control.program_folder = folder + "/";
  control.display3d.format_index = format_index;
  picture.display_format = format_index;
  logger.SetFormatIndex(format_index);
  logger.SetCsvCheck(logging);
  logger.SetPcdCheck(logging);
  logger.SetBinCheck(false);
  logger.SetPngSaver([&picture](const std::string& path) { return picture.SaveImageAsPng(path, 0); });
  MeasurementWorker worker(MeasurementContext{control, picture, logger, notifier, outputs,
                                              [] { return DeviceParameters{}; }, nullptr});
  for (auto _ : state) {
    if (logging) {
      logger.StartRun(folder, "b");
      control.log_total = kFramesPerRun;
      control.log_once = 1;
      control.log_interval = 0;
    }
    control.frame_limit = kFramesPerRun;
    worker.Start();
    worker.Wait();
  }
  state.SetItemsProcessed(state.iterations() * kFramesPerRun);
}

// Frames fetched through the link library alone.
void BM_RawLinkRate(benchmark::State& state) {
  if (!Sim().open) return state.SkipWithError("simulator not running");
  SetCameraFormat(5);
  unsigned char status = 0;
  StartMeasurement(&status);
  for (auto _ : state) {
    const unsigned char* frame = nullptr;
    if (GetResult(&status, &frame) != 0 || status != 0) return state.SkipWithError("result failed");
    benchmark::DoNotOptimize(frame);
  }
  StopMeasurement(&status);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawLinkRate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CaptureLoggingOff(benchmark::State& state) {
  if (!Sim().open) return state.SkipWithError("simulator not running");
  SetCameraFormat(5);
  RunLoop(state, 5, false);
}
BENCHMARK(BM_CaptureLoggingOff)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CaptureFormat5CsvPcd(benchmark::State& state) {
  if (!Sim().open) return state.SkipWithError("simulator not running");
  SetCameraFormat(5);
  RunLoop(state, 5, true);
}
BENCHMARK(BM_CaptureFormat5CsvPcd)->Unit(benchmark::kMillisecond)->UseRealTime();

// The loop's own work per frame (decode, render, temperatures once a
// second, CSV + PCD logs), with a camera that answers at no cost.
void BM_LoopWorkFormat5CsvPcd(benchmark::State& state) {
  FakeCamera camera(5);
  RunLoop(state, 5, true);
}
BENCHMARK(BM_LoopWorkFormat5CsvPcd)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvara
namespace kelvara {
namespace {
void BM_LoopWorkFormat5NoLogs(benchmark::State& state) {
  FakeCamera camera(5);
  RunLoop(state, 5, false);
}
BENCHMARK(BM_LoopWorkFormat5NoLogs)->Unit(benchmark::kMillisecond)->UseRealTime();
}
}
