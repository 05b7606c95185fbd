// The Trends window's cost on the UI thread per frame (goal: under 2 ms).
// BM_DistanceHistogram: the histogram of one frame's 76800 distances.
// BM_TrendsFrame: one frame of a 20 fps run with the window shown: the
// centre readout, the histogram and its repaint, and every 20th frame (once
// a second) a point on each of the six trends and the chart's repaint,
// after eight hours of points (thinned to at most 4000 a trend).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <memory>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "display/rendering_model.h"
#include "frame/frame_decode.h"
#include "trends/distance_histogram.h"
#include "trends/histogram_view.h"
#include "trends/trends_window.h"

namespace kelvara {
namespace {

std::vector<int16_t> PatternDistances() {
  const std::vector<unsigned char> frame = pattern::Frame(1);
  const DisplayPlanes planes{frame.data()};
  std::vector<int16_t> words(kImagePixels);
  for (int i = 0; i < kImagePixels; ++i) words[static_cast<size_t>(i)] = planes.Sample(0, i);
  return words;
}

void BM_DistanceHistogram(benchmark::State& state) {
  const std::vector<int16_t> words = PatternDistances();
  DistanceHistogram h;
  for (auto _ : state) {
    ComputeDistanceHistogram(words.data(), kImagePixels, kDistanceLimitMm, 250, &h);
    benchmark::DoNotOptimize(h.valid);
  }
}
BENCHMARK(BM_DistanceHistogram)->Unit(benchmark::kMicrosecond);

TemperatureSample Sample(int second) {
  TemperatureSample s;
  s.upper_left = static_cast<int16_t>(300 + second / 60);
  s.upper_right = static_cast<int16_t>(302 + second / 60);
  s.lower_left = static_cast<int16_t>(304 + second / 60);
  s.lower_right = static_cast<int16_t>(306 + second / 60);
  s.led = static_cast<int16_t>(280 + second / 90);
  return s;
}

void BM_TrendsFrame(benchmark::State& state) {
  int argc = 1;
  char name[] = "trends_bench";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  RenderingModel model;
  model.display_format = 1;
  const std::vector<unsigned char> frame = pattern::Frame(1);
  model.RenderFrame(DisplayPlanes{frame.data()});
  double clock = 0;
  TrendsWindow window(model, WarmUpThresholds{}, [&clock] { return clock; });
  window.resize(900, 700);
  window.show();
  QApplication::processEvents();
  int second = 0;
  for (; second < 8 * 3600; ++second, clock += 1) {
    window.SetCentreReadout("  812 mm");
    window.AddMonitor(Sample(second));
  }
  auto* chart_view = window.findChild<QChartView*>();
  int frames = 0;
  for (auto _ : state) {
    window.SetCentreReadout(frames % 2 ? "  812 mm" : "  813 mm");
    window.FrameRendered();
    window.Histogram()->repaint();
    if (frames % 20 == 0) {
      window.AddMonitor(Sample(second++));
      clock += 1;
      chart_view->viewport()->repaint();
    }
    ++frames;
  }
  state.counters["points"] = window.Points();
}
BENCHMARK(BM_TrendsFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvara

BENCHMARK_MAIN();
