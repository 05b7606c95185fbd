// The rendering model: which plane goes through which mapping into which
// slot, legends, clearing, and rendering while the painter reads.
#include "display/rendering_model.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "camsim/pattern_scene.h"
#include "display/colour_table.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

// Planes decoded from the pattern scene's frame of one format.
struct PatternPlanes {
  explicit PatternPlanes(int format) : frame(pattern::Frame(format)) {
    EXPECT_TRUE(decoder.DecodeFrame(format, frame.data(), frame.size(), &planes));
  }
  std::vector<unsigned char> frame;
  FrameDecoder decoder;
  DisplayPlanes planes;
};

int16_t Plane0Sample(int format, int r, int c) {
  return format == 0 ? pattern::Amplitude(r, c) : pattern::Distance(r, c);
}

// Counts the pixels of a slot that differ from the mapping of a sample.
template <typename Mapping>
int CountWrongPixels(const uint32_t* pixels, const int16_t* samples, Mapping map) {
  int wrong = 0;
  for (int i = 0; i < kImagePixels; ++i) wrong += pixels[i] != map(samples[i]);
  return wrong;
}

class RenderEveryFormat : public ::testing::TestWithParam<int> {};

TEST_P(RenderEveryFormat, SlotsHoldTheMappedPlanes) {
  const int format = GetParam();
  PatternPlanes in(format);
  RenderingModel model;
  model.display_format = format;
  model.RenderFrame(in.planes);

  const MappingSettings s = model.CurrentMapping();
  const PictureReader picture = model.ReadPicture();
  ASSERT_TRUE(picture.SlotReady(0));
  EXPECT_EQ(picture.SlotReady(1), format >= 4);

  // The sample copy holds both planes, whatever the image count.
  int wrong_samples = 0;
  for (int r = 0; r < 240; ++r)
    for (int c = 0; c < 320; ++c) {
      const int i = r * 320 + c;
      if (IsPlaneFrameFormat(format)) wrong_samples += picture.SamplePlane(0)[i] != Plane0Sample(format, r, c);
      wrong_samples += picture.SamplePlane(1)[i] != pattern::Amplitude(r, c);
    }
  EXPECT_EQ(wrong_samples, 0);

  auto distance = [&](int16_t v) { return MapDistance(v, s); };
  auto amplitude = [&](int16_t v) { return MapAmplitude(v, s); };
  if (format == 0) {
    EXPECT_EQ(CountWrongPixels(picture.SlotPixels(0), picture.SamplePlane(0), amplitude), 0);
  } else {
    EXPECT_EQ(CountWrongPixels(picture.SlotPixels(0), picture.SamplePlane(0), distance), 0);
  }
  if (format >= 4) {
    EXPECT_EQ(CountWrongPixels(picture.SlotPixels(1), picture.SamplePlane(1), amplitude), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RenderEveryFormat, ::testing::Range(0, 7));

TEST(RenderFrame, PatternPixelsWithDefaultSettings) {
  PatternPlanes in(4);
  RenderingModel model;
  model.display_format = 4;
  model.RenderFrame(in.planes);
  const PictureReader picture = model.ReadPicture();
  const uint32_t* distance = picture.SlotPixels(0);
  const uint32_t* amplitude = picture.SlotPixels(1);
  // D(0, 0) = 400 -> 64 * 400 / 6250 - 1 = 3.
  EXPECT_EQ(distance[0], 0xB00000u);
  // Row 5: 30000, 31000, 32000, -1, -16385, 20000, 0, 12499.
  const uint32_t row5[8] = {0, kSaturationColour,   kOverflowColour,  kSaturationColour, kOverflowColour,
                            0, kDistanceColours[0], kOutOfRangeColour};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(distance[5 * 320 + c], row5[c]) << "column " << c;
  // Amplitudes of row 5: 510, 511, 300, 256, 255, 0, 1, 2; A(1, 3) = 7.
  const uint32_t amp5[8] = {kOverflowColour, kSaturationColour, 0, 0, 0xFFFFFF, 0, 0x010101, 0x020202};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(amplitude[5 * 320 + c], amp5[c]) << "column " << c;
  EXPECT_EQ(amplitude[1 * 320 + 3], 0x070707u);
}

TEST(RenderFrame, SettingsTakeEffectWithTheNextFrame) {
  PatternPlanes in(4);
  RenderingModel model;
  model.display_format = 4;
  model.RenderFrame(in.planes);
  model.range_min = 400;
  model.range_max = 4543;
  model.saturation = 0;
  model.overflow = 0;
  model.amp_gain = 2;
  model.RenderFrame(in.planes);
  const PictureReader picture = model.ReadPicture();
  EXPECT_EQ(picture.SlotPixels(0)[0], kDistanceColours[0]);                 // 400 = RangeMin
  EXPECT_EQ(picture.SlotPixels(0)[239 * 320 + 319], kDistanceColours[63]);  // 4543 = RangeMax
  EXPECT_EQ(picture.SlotPixels(0)[5 * 320 + 1], 0u);                        // 31000, flag off
  EXPECT_EQ(picture.SlotPixels(0)[5 * 320 + 3], kSaturationColour);         // -1 always
  EXPECT_EQ(picture.SlotPixels(1)[5 * 320 + 0], 0u);                        // 510, flag off
  EXPECT_EQ(picture.SlotPixels(1)[1 * 320 + 3], 0x0E0E0Eu);                 // 7 * 2
}

TEST(RenderFrame, ASwitchToOneImageLeavesSlotOneUndrawnButKept) {
  PatternPlanes two(4), one(1);
  RenderingModel model;
  model.display_format = 4;
  model.RenderFrame(two.planes);
  model.display_format = 1;
  model.RenderFrame(one.planes);
  EXPECT_TRUE(model.ReadPicture().SlotReady(1));  // kept until the next ClearImages
  model.ClearImages();
  const PictureReader picture = model.ReadPicture();
  EXPECT_FALSE(picture.SlotReady(0));
  EXPECT_FALSE(picture.SlotReady(1));
  EXPECT_EQ(picture.SlotPixels(0), nullptr);
}

TEST(RenderFrame, PlanesWithoutBytesChangeNothing) {
  RenderingModel model;
  model.RenderFrame(DisplayPlanes{});
  EXPECT_FALSE(model.ReadPicture().SlotReady(0));
}

TEST(ClearImages, CallsTheWindowWithoutHoldingTheLock) {
  RenderingModel model;
  PatternPlanes in(1);
  model.display_format = 1;
  model.RenderFrame(in.planes);
  int calls = 0;
  bool ready_seen_by_callback = true;
  // The callback reads the picture, as a repaint does; it would deadlock if
  // the lock were still held.
  model.SetImagesClearedCallback([&] {
    ++calls;
    ready_seen_by_callback = model.ReadPicture().SlotReady(0);
  });
  model.ClearImages();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(ready_seen_by_callback);
}

TEST(BuildLegends, RowsFollowTheTableAndTheGreyRamp) {
  RenderingModel model;
  model.BuildLegends();
  const uint32_t* distance = model.DistanceLegend();
  const uint32_t* amplitude = model.AmplitudeLegend();
  for (int r = 0; r < kLegendHeight; ++r)
    for (int c = 0; c < kLegendWidth; ++c) {
      const int i = r * kLegendWidth + c;
      ASSERT_EQ(distance[i], kDistanceColours[r * 64 / 257]) << r << "," << c;
      ASSERT_EQ(amplitude[i], uint32_t(r) * 0x010101u) << r << "," << c;
    }
  EXPECT_EQ(distance[0], 0x800000u);                           // (128, 0, 0)
  EXPECT_EQ(distance[4 * kLegendWidth], kDistanceColours[0]);  // rows 0..4: index 0
  EXPECT_EQ(distance[5 * kLegendWidth], kDistanceColours[1]);
  EXPECT_EQ(distance[255 * kLegendWidth + 47], 0x000080u);  // (0, 0, 128)
  EXPECT_EQ(amplitude[0], 0u);
  EXPECT_EQ(amplitude[255 * kLegendWidth], 0xFFFFFFu);
}

// Uniform planes: distance v everywhere, amplitude a everywhere.
std::vector<unsigned char> UniformPlanes(int16_t v, int16_t a) {
  std::vector<unsigned char> bytes(kDisplayPlanesBytes);
  for (int i = 0; i < kImagePixels; ++i) {
    std::memcpy(&bytes[2 * i], &v, 2);
    std::memcpy(&bytes[kPlaneBytes + 2 * i], &a, 2);
  }
  return bytes;
}

TEST(RenderFrame, APainterNeverSeesAHalfRenderedFrame) {
  RenderingModel model;
  model.display_format = 4;
  std::vector<std::vector<unsigned char>> frames;
  for (int k = 0; k < 8; ++k)
    frames.push_back(UniformPlanes(static_cast<int16_t>(500 + 700 * k), static_cast<int16_t>(20 * k)));

  const kelvara::testing::TempFolder temp("kelvara-render");
  const std::string folder = temp.path();

  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int n = 0; n < 400; ++n) model.RenderFrame(DisplayPlanes{frames[n % frames.size()].data()});
    done = true;
  });
  // The UI thread meanwhile changes settings that do not alter these frames'
  // colours (but rebuild the lookup tables), clears and saves images.
  std::thread ui([&] {
    for (int n = 0; !done; ++n) {
      model.saturation = n % 2;
      model.overflow = (n / 2) % 2;
      model.mirror_x = n % 3 == 0;
      if (n % 50 == 0) model.ClearImages();
      if (n % 20 == 0) model.SaveImageAsPng(folder + "/picture.png", n % 40 == 0 ? 0 : 1);
    }
  });

  int checked = 0, torn = 0;
  const MappingSettings s = model.CurrentMapping();  // range and gain never change
  while (!done) {
    const PictureReader picture = model.ReadPicture();
    if (!picture.SlotReady(0) || !picture.SlotReady(1)) continue;
    // One frame throughout: every sample and pixel agrees with the first.
    const int16_t* d = picture.SamplePlane(0);
    const int16_t* a = picture.SamplePlane(1);
    const uint32_t d_pixel = MapDistance(d[0], s), a_pixel = MapAmplitude(a[0], s);
    for (int i = 0; i < kImagePixels; ++i)
      torn +=
          d[i] != d[0] || a[i] != a[0] || picture.SlotPixels(0)[i] != d_pixel || picture.SlotPixels(1)[i] != a_pixel;
    ++checked;
  }
  worker.join();
  ui.join();
  EXPECT_EQ(torn, 0);
  RecordProperty("paints_checked", checked);
}

}  // namespace
}  // namespace kelvara
