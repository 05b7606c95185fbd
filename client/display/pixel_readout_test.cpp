#include "display/pixel_readout.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(PixelReadoutTest, DistanceCodesReadAsTheirMeaning) {
  const struct {
    int16_t value;
    const char* text;
  } cases[] = {{0, "0 mm"},           {1234, "1234 mm"},    {16383, "16383 mm"}, {30000, "no data"},
               {31000, "saturated"},  {32000, "overflow"},  {16384, "invalid"},  {-1, "saturated"},
               {-16384, "saturated"}, {-16385, "overflow"}, {-32768, "overflow"}};
  for (const auto& c : cases) EXPECT_EQ(DistanceMeaning(c.value), c.text) << c.value;
}

TEST(PixelReadoutTest, AmplitudeCodesReadAsTheirMeaning) {
  const struct {
    int16_t value;
    const char* text;
  } cases[] = {{0, "0"}, {255, "255"}, {510, "overflow"}, {511, "saturated"}, {256, "invalid"}, {300, "invalid"}};
  for (const auto& c : cases) EXPECT_EQ(AmplitudeMeaning(c.value), c.text) << c.value;
}

TEST(PixelReadoutTest, TheLineByKind) {
  const ProbePixel pixel{160, 7};
  EXPECT_EQ(PixelReadoutText(ProbeKind::kDistance, pixel, 1500, 0, std::nullopt), "Pixel (160, 7): 1500 mm");
  EXPECT_EQ(PixelReadoutText(ProbeKind::kAmplitude, pixel, 99, 0, std::nullopt), "Pixel (160, 7): amplitude 99");
  EXPECT_EQ(PixelReadoutText(ProbeKind::kDistanceAndAmplitude, pixel, 30000, 511, PointMm{-12, 34, 1500}),
            "Pixel (160, 7): no data, amplitude saturated, x -12 y 34 z 1500 mm");
  // A point whose x carries a sample code is no point.
  EXPECT_EQ(PixelReadoutText(ProbeKind::kDistance, pixel, 30000, 0, PointMm{30000, 7, 7}), "Pixel (160, 7): no data");
}

}  // namespace
}  // namespace kelvara
