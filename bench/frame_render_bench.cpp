// Decoding and rendering one frame of the pattern scene, as the measurement
// loop does for every frame (target: under 0.2 ms with two images).
#include <benchmark/benchmark.h>

#include <vector>

#include "camsim/pattern_scene.h"
#include "display/rendering_model.h"

namespace kelvara {
namespace {

// Decode + render, argument = format index (4: plane frame, 5: point frame).
void BM_DecodeAndRender(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const std::vector<unsigned char> frame = pattern::Frame(format);
  FrameDecoder decoder;
  RenderingModel model;
  model.display_format = format;
  for (auto _ : state) {
    DisplayPlanes planes;
    if (!decoder.DecodeFrame(format, frame.data(), frame.size(), &planes)) {
      state.SkipWithError("decode refused the frame");
      break;
    }
    model.RenderFrame(planes);
    benchmark::DoNotOptimize(planes.CentreValue());
  }
}
BENCHMARK(BM_DecodeAndRender)->Arg(4)->Arg(5)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The point-frame decode alone: 76800 roots.
void BM_DecodePointFrame(benchmark::State& state) {
  const std::vector<unsigned char> frame = pattern::Frame(5);
  FrameDecoder decoder;
  for (auto _ : state) {
    DisplayPlanes planes;
    decoder.DecodeFrame(5, frame.data(), frame.size(), &planes);
    benchmark::DoNotOptimize(planes.bytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DecodePointFrame)->Unit(benchmark::kMicrosecond);

// A settings change: both lookup tables are rebuilt before the frame.
void BM_RenderAfterSettingsChange(benchmark::State& state) {
  const std::vector<unsigned char> frame = pattern::Frame(4);
  FrameDecoder decoder;
  DisplayPlanes planes;
  decoder.DecodeFrame(4, frame.data(), frame.size(), &planes);
  RenderingModel model;
  model.display_format = 4;
  int n = 0;
  for (auto _ : state) {
    model.range_max = 6000 + (n & 1);
    model.amp_gain = 1 + (n++ & 1);
    model.RenderFrame(planes);
  }
}
BENCHMARK(BM_RenderAfterSettingsChange)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvara

BENCHMARK_MAIN();
