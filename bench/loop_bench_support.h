#pragma once
// Shared by the measurement loop's benchmarks: a run's length, outputs that
// go nowhere, and the result rate of a link with the camera measuring.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "link/camera_link.h"
#include "measure/measurement_outputs.h"

namespace kelvara {

constexpr int kFramesPerRun = 40;

class NoOutputs : public MeasurementOutputs {
 public:
  void CentreReadout(const std::string&) override {}
  void MonitorUpdate(double, const TemperatureSample&) override {}
  void LogProgress(int, int) override {}
  void LoggingRunEnded() override {}
  void RunEndedByItself() override {}
};

// Result requests per second, one per iteration, with the camera measuring.
inline void FetchResults(benchmark::State& state, CameraLink& link) {
  unsigned char status = 0;
  link.StartMeasurement(&status);
  std::vector<unsigned char> frame;
  for (auto _ : state) {
    if (link.GetResult(&status, &frame) != 0 || status != 0) return state.SkipWithError("result failed");
    benchmark::DoNotOptimize(frame.data());
  }
  link.StopMeasurement(&status);
  state.SetItemsProcessed(state.iterations());
}

}  // namespace kelvara
