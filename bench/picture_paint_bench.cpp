// The picture window at 1280 x 960 with a two-image frame (target: a paint
// under 5 ms). The floor is a plain QPainter::drawImage of the two display
// images scaled into the same rectangles; the ratio of the two is the
// window's overhead (layout, copy under the picture lock, legends, labels).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "camsim/pattern_scene.h"
#include "display/picture_window.h"
#include "display/rendering_model.h"

namespace kelvara {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr int kTwoImageFormat = 4;

struct Scene {
  Scene() : frame(pattern::Frame(kTwoImageFormat)) {
    model.display_format = kTwoImageFormat;
    model.mirror_y = 1;
    model.RenderFrame(DisplayPlanes{frame.data()});
  }
  std::vector<unsigned char> frame;
  RenderingModel model;
};

// The window's own paint, rendered into an image of the window's size.
void BM_PictureWindowPaint(benchmark::State& state) {
  Scene scene;
  CViewPicture window(scene.model);
  window.resize(kWidth, kHeight);
  QImage target(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    window.render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_PictureWindowPaint)->Unit(benchmark::kMillisecond);

// The same through the shown window's backing store (repaint at once).
void BM_PictureWindowRepaint(benchmark::State& state) {
  Scene scene;
  CViewPicture window(scene.model);
  window.resize(kWidth, kHeight);
  window.show();
  QCoreApplication::processEvents();
  for (auto _ : state) window.repaint();
}
BENCHMARK(BM_PictureWindowRepaint)->Unit(benchmark::kMillisecond);

// The floor: the two display images as QImages, drawn scaled into the same
// rectangles the window uses, onto a background of the same size.
void BM_PlainDrawImage(benchmark::State& state) {
  Scene scene;
  const PictureLayout layout = LayoutPicture(kWidth, kHeight, kTwoImageFormat, 0, 6250);
  QImage images[2];
  {
    PictureReader reader = scene.model.ReadPicture();
    for (int i = 0; i < 2; ++i) {
      images[i] =
          QImage(reinterpret_cast<const uchar*>(reader.SlotPixels(i)), kImageWidth, kImageHeight, QImage::Format_RGB32)
              .copy();
    }
  }
  QImage target(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    painter.fillRect(target.rect(), Qt::lightGray);
    for (int i = 0; i < 2; ++i) {
      const PixelRect& r = layout.images[i].rect;
      painter.drawImage(QRect(r.left, r.top, r.width, r.height), images[i]);
    }
    painter.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}
BENCHMARK(BM_PlainDrawImage)->Unit(benchmark::kMillisecond);

// From a frame rendered on a worker thread (unpaced) to the end of the paint
// that shows it: median and 99th percentile over the frames painted.
class TimedPicture : public CViewPicture {
 public:
  using CViewPicture::CViewPicture;
  std::atomic<int64_t> newest_frame_ns{0};
  std::vector<double> latencies_ms;

 protected:
  void paintEvent(QPaintEvent* event) override {
    const int64_t frame_ns = newest_frame_ns.load();
    CViewPicture::paintEvent(event);
    if (frame_ns == 0) return;
    const int64_t now = std::chrono::steady_clock::now().time_since_epoch().count();
    latencies_ms.push_back((now - frame_ns) / 1e6);
  }
};

void BM_FrameToPixels(benchmark::State& state) {
  Scene scene;
  TimedPicture window(scene.model);
  window.resize(kWidth, kHeight);
  window.show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    window.latencies_ms.clear();
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread worker([&] {
      while (!stop.load()) {
        scene.model.RenderFrame(DisplayPlanes{scene.frame.data()});
        window.newest_frame_ns = std::chrono::steady_clock::now().time_since_epoch().count();
        window.PostFrameRendered();
        frames.fetch_add(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    stop = true;
    worker.join();
    QCoreApplication::processEvents();
    std::vector<double> sorted = window.latencies_ms;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty()) {
      state.SkipWithError("nothing painted");
      break;
    }
    state.counters["median_ms"] = sorted[sorted.size() / 2];
    state.counters["p99_ms"] = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    state.counters["paints_per_s"] = sorted.size() / 0.5;
    state.counters["frames_per_s"] = frames.load() / 0.5;
  }
}
BENCHMARK(BM_FrameToPixels)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvara

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
