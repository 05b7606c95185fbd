#include "display/picture_layout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvara {
namespace {

TEST(PictureLayout, OneImageFitsTheHeight) {
  // 500 x 300: d = 400 and e = 300 exceed H - 40, so e = 260 and d = 346.
  const PictureLayout layout = LayoutPicture(500, 300, 1, 0, 6250);
  ASSERT_TRUE(layout.visible);
  ASSERT_EQ(layout.images.size(), 1u);
  const PixelRect& image = layout.images[0].rect;
  EXPECT_EQ(image.left, 40);
  EXPECT_EQ(image.top, 20);
  EXPECT_EQ(image.width, 346);
  EXPECT_EQ(image.height, 260);
  ASSERT_EQ(layout.legends.size(), 1u);
  EXPECT_FALSE(layout.legends[0].amplitude);
  EXPECT_EQ(layout.legends[0].rect.left, 396);
  EXPECT_EQ(layout.legends[0].rect.top, 34);
  EXPECT_EQ(layout.legends[0].rect.width, 32);
  EXPECT_EQ(layout.legends[0].rect.top + layout.legends[0].rect.height, 264);
  ASSERT_EQ(layout.labels.size(), 2u);
  EXPECT_EQ(layout.labels[0].x, 396);
  EXPECT_EQ(layout.labels[0].y, 20);
  EXPECT_EQ(layout.labels[0].text, " 6250 mm");
  EXPECT_EQ(layout.labels[1].y, 268);
  EXPECT_EQ(layout.labels[1].text, "    0 mm");
}

TEST(PictureLayout, TwoImagesSideBySide) {
  // 800 x 400: d = 600, e = 225, T = 87.
  const PictureLayout layout = LayoutPicture(800, 400, 4, 500, 3000);
  ASSERT_TRUE(layout.visible);
  ASSERT_EQ(layout.images.size(), 2u);
  EXPECT_EQ(layout.images[0].rect.left, 40);
  EXPECT_EQ(layout.images[0].rect.top, 87);
  EXPECT_EQ(layout.images[0].rect.width, 300);
  EXPECT_EQ(layout.images[0].rect.height, 225);
  EXPECT_EQ(layout.images[0].probe, ProbeKind::kDistanceAndAmplitude);
  EXPECT_EQ(layout.images[1].rect.left, 416);
  EXPECT_EQ(layout.images[1].slot, 1);
  EXPECT_EQ(layout.images[1].probe, ProbeKind::kAmplitude);
  EXPECT_EQ(layout.images[1].plane, 1);
  ASSERT_EQ(layout.legends.size(), 2u);
  EXPECT_EQ(layout.legends[0].rect.left, 350);
  EXPECT_EQ(layout.legends[1].rect.left, 726);
  EXPECT_TRUE(layout.legends[1].amplitude);
  EXPECT_EQ(layout.legends[0].rect.top, 101);
  EXPECT_EQ(layout.legends[0].rect.top + layout.legends[0].rect.height, 87 + 225 - 16);
  ASSERT_EQ(layout.labels.size(), 4u);
  EXPECT_EQ(layout.labels[0].text, " 3000 mm");
  EXPECT_EQ(layout.labels[1].text, "  500 mm");
  EXPECT_EQ(layout.labels[1].y, 87 + 225 - 12);
  EXPECT_EQ(layout.labels[2].text, " 255");
  EXPECT_EQ(layout.labels[2].x, 726);
  EXPECT_EQ(layout.labels[3].text, "   0");
}

TEST(PictureLayout, AmplitudeFormatUsesTheGreyLegend) {
  const PictureLayout layout = LayoutPicture(420, 280, 0, 0, 6250);
  ASSERT_TRUE(layout.visible);
  EXPECT_EQ(layout.images[0].probe, ProbeKind::kAmplitude);
  EXPECT_TRUE(layout.legends[0].amplitude);
  EXPECT_EQ(layout.labels[0].text, " 255");
  EXPECT_EQ(layout.labels[1].text, "   0");
}

TEST(PictureLayout, TooSmallAreasDrawNothing) {
  const struct {
    int width, height, format;
  } cases[] = {{130, 300, 1}, {0, 0, 1}, {3, 2, 4}, {99, 500, 0}, {800, 80, 4}, {-5, -5, 6}};
  for (const auto& c : cases) {
    const PictureLayout layout = LayoutPicture(c.width, c.height, c.format, 0, 6250);
    EXPECT_FALSE(layout.visible) << c.width << " x " << c.height;
    EXPECT_TRUE(layout.images.empty());
  }
  // 130 x 300 gives d = 30 and e = 22.
  const PictureLayout layout = LayoutPicture(130, 300, 1, 0, 6250);
  EXPECT_EQ(layout.d, 30);
  EXPECT_EQ(layout.e, 22);
}

TEST(PictureLayout, CentreCrossAroundTheMiddle) {
  const CentreCross cross = CentreMarkOf({40, 20, 320, 240});
  // cx = 200, cy = 140: pixels x = 199 for y 135..143, y = 139 for x 195..203.
  EXPECT_EQ(cross.vertical.left, 199);
  EXPECT_EQ(cross.vertical.top, 135);
  EXPECT_EQ(cross.vertical.height, 9);
  EXPECT_EQ(cross.horizontal.left, 195);
  EXPECT_EQ(cross.horizontal.top, 139);
  EXPECT_EQ(cross.horizontal.width, 9);
}

TEST(PictureLayout, ProbeEdgesAreOutside) {
  const PixelRect rect{40, 20, 320, 240};
  EXPECT_FALSE(rect.StrictlyContains(40, 100));
  EXPECT_FALSE(rect.StrictlyContains(100, 20));
  EXPECT_FALSE(rect.StrictlyContains(360, 100));
  EXPECT_TRUE(rect.StrictlyContains(41, 21));
  EXPECT_TRUE(rect.StrictlyContains(359, 259));
}

TEST(PictureLayout, ProbePixelAndMirrors) {
  const PixelRect rect{40, 20, 640, 480};  // twice the camera's size
  const struct {
    bool mx, my;
    int ix, iy;
  } cases[] = {{false, false, 10, 20}, {true, false, 309, 20}, {false, true, 10, 219}, {true, true, 309, 219}};
  for (const auto& c : cases) {
    const ProbePixel p = ProbeAt(40 + 21, 20 + 41, rect, c.mx, c.my);
    EXPECT_EQ(p.ix, c.ix);
    EXPECT_EQ(p.iy, c.iy);
  }
}

// Back from a sample to the window: the centre of its square, which ProbeAt
// reads as the same sample, with every flip, at whole scales.
TEST(PictureLayout, PixelCentreIsWhereProbeFindsThePixel) {
  const PixelRect rects[] = {{40, 20, 320, 240}, {40, 20, 640, 480}, {416, 87, 960, 720}};
  const ProbePixel pixels[] = {{0, 0}, {319, 239}, {7, 5}, {160, 120}, {318, 1}};
  for (const PixelRect& rect : rects) {
    for (bool mx : {false, true}) {
      for (bool my : {false, true}) {
        for (const ProbePixel& p : pixels) {
          const PointInRect at = PixelCentre(p, rect, mx, my);
          const ProbePixel back =
              ProbeAt(static_cast<int>(std::floor(at.x)), static_cast<int>(std::floor(at.y)), rect, mx, my);
          EXPECT_EQ(back.ix, p.ix) << rect.width << " " << mx << my;
          EXPECT_EQ(back.iy, p.iy) << rect.width << " " << mx << my;
        }
      }
    }
  }
  // Unflipped at 1:1, sample (7, 5) is the window pixel (47, 25).
  const PointInRect at = PixelCentre({7, 5}, {40, 20, 320, 240}, false, false);
  EXPECT_DOUBLE_EQ(at.x, 47.5);
  EXPECT_DOUBLE_EQ(at.y, 25.5);
}

TEST(PictureLayout, ReadoutTexts) {
  ProbePixel p;
  p.ix = 7;
  p.iy = 234;
  using Lines = std::vector<std::string>;
  EXPECT_EQ(ReadoutLines(ProbeKind::kDistance, p, 1234, 0), (Lines{"(007, 234)", "1234mm"}));
  EXPECT_EQ(ReadoutLines(ProbeKind::kDistance, p, 12499, 0), (Lines{"(007, 234)", "12499mm"}));
  EXPECT_EQ(ReadoutLines(ProbeKind::kDistance, p, 12500, 0), (Lines{"(007, 234)", "- - mm"}));
  EXPECT_EQ(ReadoutLines(ProbeKind::kDistance, p, 30000, 0), (Lines{"(007, 234)", "- - mm"}));
  EXPECT_EQ(ReadoutLines(ProbeKind::kDistance, p, -16385, 0), (Lines{"(007, 234)", "-16385mm"}));
  EXPECT_EQ(ReadoutLines(ProbeKind::kAmplitude, p, 510, 0), (Lines{"(007, 234)", "510"}));
  EXPECT_EQ(ReadoutLines(ProbeKind::kDistanceAndAmplitude, p, 400, 77), (Lines{"(007, 234)", "400mm", "77"}));
}

}  // namespace
}  // namespace kelvara
