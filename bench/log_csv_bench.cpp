// One 320 x 240 CSV matrix: the log writer against the naive writer that
// prints every field with fprintf("%5d,"), measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench/log_bench_support.h"
#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "logging/log_files.h"
#include "logging/plane_format.h"

namespace kelvara {
namespace {

// The distance plane of a polar frame: fields of every width.
std::vector<unsigned char> DistancePlane() {
  std::vector<unsigned char> frame = pattern::Frame(1);
  frame.resize(kPlaneBytes);
  return frame;
}

void BM_CsvMatrixNaiveFprintf(benchmark::State& state) {
  BenchDir dir;
  const std::vector<unsigned char> plane = DistancePlane();
  const std::string path = dir.path() + "/naive.csv";
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) state.SkipWithError("cannot open");
    for (int r = 0; r < kFrameHeight; ++r) {
      for (int c = 0; c < kFrameWidth; ++c) {
        const int i = 2 * (r * kFrameWidth + c);
        const int v = static_cast<int16_t>(plane[i] | (plane[i + 1] << 8));
        if (c < 319) std::fprintf(f, "%5d,", v);
        else std::fprintf(f, "%5d\r\n", v);
      }
    }
    std::fclose(f);
  }
}
BENCHMARK(BM_CsvMatrixNaiveFprintf)->Unit(benchmark::kMillisecond);

void BM_CsvMatrixWritePlaneCsv(benchmark::State& state) {
  BenchDir dir;
  const std::vector<unsigned char> plane = DistancePlane();
  const std::string path = dir.path() + "/fast.csv";
  std::vector<char> buffer;
  for (auto _ : state) {
    if (!WritePlaneCsv(path, {plane.data(), 2}, {state.range(0) != 0, true}, &buffer))
      state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_CsvMatrixWritePlaneCsv)->Arg(0)->Arg(1)->ArgName("mirror_x")->Unit(benchmark::kMillisecond);

// Formatting alone, without the file.
void BM_CsvMatrixFormatOnly(benchmark::State& state) {
  const std::vector<unsigned char> plane = DistancePlane();
  std::vector<char> buffer;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatPlaneCsv({plane.data(), 2}, {false, true}, &buffer));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CsvMatrixFormatOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvara
