// How many result frames (614662 bytes with the header) a second the client
// can fetch from the simulator over a pseudo-terminal. Goal: 100 or more.
// Also reports the simulator's peak resident size (goal: under 50 MB).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "link/camera_link.h"

namespace {

void RunRoundTrips(benchmark::State& state, const char* scene) {
  kelvara::testing::PrivateRuntimeDir dir;
  auto sim = kelvara::testing::SimProcess::Start({"--scene", scene});
  if (!sim) {
    state.SkipWithError(kelvara::testing::SimProcess::last_error().c_str());
    return;
  }
  kelvara::CameraLink link(kelvara::UartSerialLibrary());
  if (!link.Open(sim->port())) {
    state.SkipWithError("cannot open the simulator's port");
    return;
  }
  unsigned char status = 0;
  if (link.StartMeasurement(&status) != 0 || status != 0) {
    state.SkipWithError("start measurement failed");
    return;
  }
  std::vector<unsigned char> frame;
  for (auto _ : state) {
    const int rc = link.GetResult(&status, &frame);
    if (rc != 0 || status != 0) {
      state.SkipWithError("result failed");
      break;
    }
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 614662);
  state.counters["sim_peak_rss_MiB"] = static_cast<double>(sim->PeakResidentKiB()) / 1024.0;
  link.Close();
}

void BM_ResultRoundTripPattern(benchmark::State& state) { RunRoundTrips(state, "pattern"); }
void BM_ResultRoundTripRoom(benchmark::State& state) { RunRoundTrips(state, "room"); }

}  // namespace

BENCHMARK(BM_ResultRoundTripPattern)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResultRoundTripRoom)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
