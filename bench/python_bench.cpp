// The Python module against the unpaced pattern simulator: frames() in
// /usr/bin/python3 beside kelvara-capture logging no files (format 5 with
// --bin writes none), alternately in the same run, each over the same
// number of frames; and frame.points for one frame. Goals: python_fps at
// least 0.95 x capture_fps (ratio), points_ms under 1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "camsim/testing/sim_process.h"
#include "testing/child_process.h"

namespace kelvara {
namespace {

// 600 frames per program run; KELVARA_PYTHON_BENCH_FRAMES gives another number (the smoke test).
int Frames() {
  const char* text = std::getenv("KELVARA_PYTHON_BENCH_FRAMES");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 600;
}

// "... 600 frames logged, 412.3 frames per second, ..." -> 412.3
double CaptureRate(const std::string& err) {
  const size_t at = err.find(" frames per second");
  if (at == std::string::npos) return -1;
  const size_t begin = err.rfind(", ", at);
  return begin == std::string::npos ? -1 : std::atof(err.c_str() + begin + 2);
}

void BM_PythonFramesVsCapture(benchmark::State& state) {
  testing::PrivateRuntimeDir runtime;
  auto sim = testing::SimProcess::Start({"--scene", "pattern"});
  if (!sim) return state.SkipWithError("simulator not running");
  const std::string port = std::to_string(sim->port());
  const std::string frames = std::to_string(Frames());
  setenv("PYTHONPATH", KELVARA_PYTHON_PATH, 1);
  double capture_fps = 0, python_fps = 0, points_median = 0, points_max = 0, dropped = 0;
  for (auto _ : state) {
    std::string err;
    if (testing::RunProgram({KELVARA_CAPTURE_PATH, "--port", port, "--format", "5", "--bin", "--total", frames, "--out",
                             runtime.path() + "/logs"},
                            &err) != 0)
      return state.SkipWithError(("kelvara-capture failed: " + err).c_str());
    capture_fps += CaptureRate(err);

    testing::ChildProcess python({KELVARA_PYTHON, KELVARA_PYTHON_SCRIPT, "COM" + port, frames},
                                 {testing::ChildProcess::kCapture, testing::ChildProcess::kCapture});
    if (python.Wait() != 0) return state.SkipWithError(("python failed: " + python.err()).c_str());
    std::istringstream out(python.out());
    std::string key;
    double a = 0, b = 0;
    while (out >> key) {
      if (key == "fps" && out >> a) python_fps += a;
      if (key == "dropped" && out >> a) dropped += a;
      if (key == "points_ms" && out >> a >> b) {
        points_median += a;
        points_max = std::max(points_max, b);
      }
    }
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["capture_fps"] = capture_fps / n;
  state.counters["python_fps"] = python_fps / n;
  state.counters["ratio"] = capture_fps > 0 ? python_fps / capture_fps : 0;
  state.counters["python_dropped"] = dropped;
  state.counters["points_ms"] = points_median / n;
  state.counters["points_ms_max"] = points_max;
}
BENCHMARK(BM_PythonFramesVsCapture)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace kelvara

BENCHMARK_MAIN();
