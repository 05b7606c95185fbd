// PNG files of the display images, read back with libpng.
#include <png.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "camsim/pattern_scene.h"
#include "display/colour_table.h"
#include "display/png_file.h"
#include "display/rendering_model.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::ListFolder;
using testing::TempFolder;

struct ReadImage {
  bool ok = false;
  png_uint_32 width = 0, height = 0, format = 0;
  std::vector<unsigned char> rgb;
};

ReadImage ReadPng(const std::string& path) {
  ReadImage out;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  out.width = image.width;
  out.height = image.height;
  out.format = image.format;  // as stored: 8-bit RGB without alpha
  image.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  out.ok = png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
  return out;
}

uint32_t PixelAt(const ReadImage& image, int x, int y) {
  const unsigned char* p = &image.rgb[(y * image.width + x) * 3];
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

// A model showing the pattern scene's format 4 frame (distance and amplitude).
struct PatternModel {
  PatternModel() : frame(pattern::Frame(4)) {
    DisplayPlanes planes;
    EXPECT_TRUE(decoder.DecodeFrame(4, frame.data(), frame.size(), &planes));
    model.display_format = 4;
    model.RenderFrame(planes);
  }
  std::vector<unsigned char> frame;
  FrameDecoder decoder;
  RenderingModel model;
};

TEST(SaveImageAsPng, PixelsReadBackExactlyWithEveryMirror) {
  TempFolder folder;
  PatternModel shown;
  const MappingSettings s = shown.model.CurrentMapping();
  for (int slot = 0; slot < 2; ++slot)
    for (int mirror = 0; mirror < 4; ++mirror) {
      const int mx = mirror & 1, my = mirror >> 1;
      shown.model.mirror_x = mx;
      shown.model.mirror_y = my;
      const std::string path = folder.path() + "/image_" + std::to_string(slot) + std::to_string(mirror) + ".png";
      ASSERT_TRUE(shown.model.SaveImageAsPng(path, slot));
      const ReadImage image = ReadPng(path);
      ASSERT_TRUE(image.ok) << path;
      EXPECT_EQ(image.width, 320u);
      EXPECT_EQ(image.height, 240u);
      EXPECT_EQ(image.format, png_uint_32{PNG_FORMAT_RGB});
      int wrong = 0;
      for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
          const int r = my ? 239 - y : y, c = mx ? 319 - x : x;
          const uint32_t expected =
              slot == 0 ? MapDistance(pattern::Distance(r, c), s) : MapAmplitude(pattern::Amplitude(r, c), s);
          wrong += PixelAt(image, x, y) != expected;
        }
      EXPECT_EQ(wrong, 0) << "slot " << slot << " mirror_x " << mx << " mirror_y " << my;
    }
}

TEST(SaveImageAsPng, WithMirrorYSampleRowZeroIsTheBottomRow) {
  TempFolder folder;
  PatternModel shown;
  shown.model.mirror_y = 1;
  const std::string path = folder.path() + "/flipped.png";
  ASSERT_TRUE(shown.model.SaveImageAsPng(path, 0));
  const ReadImage image = ReadPng(path);
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(PixelAt(image, 0, 239), 0xB00000u);          // D(0, 0) = 400: colour 3 (176, 0, 0)
  EXPECT_EQ(PixelAt(image, 1, 234), kSaturationColour);  // row 5, column 1: 31000
}

TEST(SaveImageAsPng, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
  TempFolder folder;
  PatternModel shown;
  const std::string path = folder.path() + "/old.png";
  std::ofstream(path) << "not an image";
  ASSERT_TRUE(shown.model.SaveImageAsPng(path, 0));
  EXPECT_TRUE(ReadPng(path).ok);
  EXPECT_EQ(ListFolder(folder.path()), std::set<std::string>{"old.png"});
}

TEST(SaveImageAsPng, FailuresAreReportedAndLeaveNoFile) {
  TempFolder folder;
  PatternModel shown;
  // A missing folder, a folder in place of the file, an empty name.
  EXPECT_FALSE(shown.model.SaveImageAsPng(folder.path() + "/missing/a.png", 0));
  ASSERT_EQ(mkdir((folder.path() + "/dir.png").c_str(), 0700), 0);
  EXPECT_FALSE(shown.model.SaveImageAsPng(folder.path() + "/dir.png", 0));
  EXPECT_FALSE(shown.model.SaveImageAsPng("", 0));
  // No such slot; a slot without an image.
  EXPECT_FALSE(shown.model.SaveImageAsPng(folder.path() + "/slot2.png", 2));
  EXPECT_FALSE(shown.model.SaveImageAsPng(folder.path() + "/slotm1.png", -1));
  shown.model.ClearImages();
  EXPECT_FALSE(shown.model.SaveImageAsPng(folder.path() + "/cleared.png", 0));
  EXPECT_EQ(ListFolder(folder.path()), std::set<std::string>{"dir.png"});
  rmdir((folder.path() + "/dir.png").c_str());
}

TEST(SaveImageAsPng, AWriteCutShortIsReportedAndLeavesNoHalfFile) {
  // A file size limit makes the write fail part-way, as a full disk would.
  TempFolder folder;
  PatternModel shown;
  const std::string path = folder.path() + "/short.png";
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const bool saved = shown.model.SaveImageAsPng(path, 0);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(ListFolder(folder.path()).empty());
}

}  // namespace
}  // namespace kelvara
