// Saving one display image as PNG, as the logger does for every frame
// (target: under 1.5 ms, pixels unchanged).
#include <benchmark/benchmark.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "camsim/pattern_scene.h"
#include "display/rendering_model.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

// Reads the file back and compares it with the slot, mirrored by row.
bool PixelsUnchanged(const std::string& path, const RenderingModel& model) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  const PictureReader picture = model.ReadPicture();
  const uint32_t* slot = picture.SlotPixels(0);
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x) {
      const uint32_t p = slot[(kImageHeight - 1 - y) * kImageWidth + x];
      const unsigned char* q = &rgb[(y * kImageWidth + x) * 3];
      if (q[0] != (p >> 16 & 0xFF) || q[1] != (p >> 8 & 0xFF) || q[2] != (p & 0xFF)) return false;
    }
  return true;
}

// Argument 0 = format index of the frame shown (1: distance colours, 0:
// grey); argument 1 = noise: every sample of plane 0 moved at random by up to
// this much (20 is like sensor noise, 200 a worst case), which compresses
// less well than the smooth pattern.
void BM_SaveImageAsPng(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const int noise_amplitude = static_cast<int>(state.range(1));
  const kelvara::testing::TempFolder folder("kelvara-png-bench");
  const std::string path = folder.Path("image.png");
  std::vector<unsigned char> frame = pattern::Frame(format);
  if (noise_amplitude > 0) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-noise_amplitude, noise_amplitude);
    for (int i = 0; i < kImagePixels; ++i) {
      int16_t v;
      std::memcpy(&v, &frame[2 * i], 2);
      v = static_cast<int16_t>(v + noise(rng));
      std::memcpy(&frame[2 * i], &v, 2);
    }
  }
  FrameDecoder decoder;
  DisplayPlanes planes;
  decoder.DecodeFrame(format, frame.data(), frame.size(), &planes);
  RenderingModel model;
  model.display_format = format;
  model.mirror_y = 1;
  model.RenderFrame(planes);

  for (auto _ : state) {
    // The logger writes a new file per frame: do not time a replacement
    // (ext4 flushes a file that a rename replaces). The unlink is timed.
    std::remove(path.c_str());
    if (!model.SaveImageAsPng(path, 0)) {
      state.SkipWithError("PNG not written");
      break;
    }
  }
  struct stat st;
  if (stat(path.c_str(), &st) == 0) state.counters["file_bytes"] = static_cast<double>(st.st_size);
  if (!PixelsUnchanged(path, model)) state.SkipWithError("pixels changed in the PNG");
}
BENCHMARK(BM_SaveImageAsPng)
    ->Args({1, 0})
    ->Args({1, 20})
    ->Args({1, 200})
    ->Args({0, 0})
    ->Args({0, 20})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvara

BENCHMARK_MAIN();
