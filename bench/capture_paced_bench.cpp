// kelvara-capture against a simulator paced like a real camera (a link of
// 12000000 bytes/s carries about 20 frames per second): format 5 with every file type the logging
// panel offers for it (CSV, PCD) and --cloud pcd, 600 frames. Reports the
// frames lost from the log (goal: 0) and the capture's CPU time per frame.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "testing/child_process.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

// 600 frames; KELVARA_PACED_FRAMES gives another number (the smoke test).
int Frames() {
  const char* text = std::getenv("KELVARA_PACED_FRAMES");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 600;
}

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool IsFrameLog(const std::string& name) {
  return name.size() == 10 && name.compare(0, 2, "p_") == 0 && name.compare(6, 4, ".pcd") == 0;
}

void BM_CapturePacedFormat5AllFiles(benchmark::State& state) {
  testing::PrivateRuntimeDir runtime;
  auto sim = testing::SimProcess::Start({"--scene", "pattern", "--link-rate", "12000000"});
  if (!sim) return state.SkipWithError("simulator not running");
  const std::string out = runtime.path() + "/logs";
  const int frames = Frames();
  int lost = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double before = ChildrenCpuSeconds();
    std::string err;
    const int status =
        testing::RunProgram({KELVARA_CAPTURE_PATH, "--port", std::to_string(sim->port()), "--format", "5", "--csv",
                             "--pcd", "--cloud", "pcd", "--total", std::to_string(frames), "--name", "p", "--out", out},
                            &err);
    cpu += ChildrenCpuSeconds() - before;
    if (status != 0) return state.SkipWithError(("kelvara-capture failed: " + err).c_str());
    // One PCD log per logged frame: p_0000.pcd ... (the clouds are p_cloud_NNNN.pcd).
    int logged = 0;
    for (const std::string& name : testing::ListFolder(out)) logged += IsFrameLog(name);
    lost += frames - logged;
  }
  state.counters["frames_lost"] = lost;
  state.counters["cpu_ms_per_frame"] = 1000.0 * cpu / static_cast<double>(state.iterations() * frames);
  state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_CapturePacedFormat5AllFiles)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kelvara
