#include "display/distance_measure.h"

#include <gtest/gtest.h>

#include <cmath>

#include "camsim/pattern_scene.h"

namespace kelvara {
namespace {

constexpr double kPi = 3.14159265358979323846;

ProbePixel Px(int column, int row) {
  ProbePixel p;
  p.ix = column;
  p.iy = row;
  return p;
}

MeasureMarks Marks(ProbePixel a, ProbePixel b) {
  MeasureMarks marks;
  marks.Mark(a);
  marks.Mark(b);
  return marks;
}

// The pattern's angle table as the camera sends it, raw.
std::vector<uint16_t> PatternTheta() {
  std::vector<uint16_t> theta(kPixelCount);
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) theta[r * kFrameWidth + c] = pattern::Theta(r, c);
  return theta;
}

double Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }
double Sin(double degrees) { return std::sin(degrees * kPi / 180); }
double Cos(double degrees) { return std::cos(degrees * kPi / 180); }

// Point formats: the pattern's point record of (c, r) is (c - 160, 120 - r, D(r, c)).
TEST(DistanceMeasure, PointFormatsMeasureBetweenThePointRecords) {
  const RayTable none;
  const struct {
    int format;
    ProbePixel a, b;
    double mm;
    const char* text;
  } cases[] = {
      // (-150, 100, 730) to (-60, -80, 3700)
      {2, Px(10, 20), Px(100, 200), Length(90, 180, 2970), "(10, 20) to (100, 200): 2976.8 mm"},
      {5, Px(10, 20), Px(100, 200), Length(90, 180, 2970), "(10, 20) to (100, 200): 2976.8 mm"},
      {3, Px(100, 200), Px(10, 20), Length(90, 180, 2970), "(100, 200) to (10, 20): 2976.8 mm"},
      // The special records (3, 4, 0) and (-12499, 0, 0) of row 5.
      {6, Px(7, 5), Px(6, 5), Length(12502, 4, 0), "(7, 5) to (6, 5): 12502.0 mm"},
      // The same pixel twice.
      {2, Px(319, 239), Px(319, 239), 0.0, "(319, 239) to (319, 239): 0.0 mm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<unsigned char> frame = pattern::Frame(c.format);
    const MeasureResult result = Measure(Marks(c.a, c.b), {frame.data(), frame.size(), c.format}, none);
    EXPECT_TRUE(result.valid);
    EXPECT_NEAR(result.mm, c.mm, 1e-9);
    EXPECT_EQ(result.text, c.text);
  }
}

// Polar formats: distance d along the ray, x = +-sin(column angle) d,
// y = +-sin(row angle) d, z = cos(pixel angle) d, with the pattern's table
// T(r, c) = 12 (|r - 119| + |c - 159|) raw (4096 per 90 degrees), centre (159, 119).
TEST(DistanceMeasure, PolarFormatsMeasureAlongThePixelRays) {
  const RayTable rays = RayTableOf(PatternTheta());
  ASSERT_FALSE(rays.empty());
  EXPECT_EQ(rays.cx, 159);
  EXPECT_EQ(rays.cy, 119);
  const double step = 12 * 90.0 / 4096;  // degrees per pixel from the centre
  // The centre pixel (159, 119), D = 2463, lies on the axis: (0, 0, 2463).
  // (160, 119), D = 2464: x = sin(step) 2464, y = 0, z = cos(step) 2464.
  const double near = Length(Sin(step) * 2464, 0, Cos(step) * 2464 - 2463);
  // (150, 110), D = 2310, left of and above the centre: column angle 9
  // steps, row angle 9 steps, its own angle 18 steps; x < 0, y > 0.
  const double x = -Sin(9 * step) * 2310, y = Sin(9 * step) * 2310, z = Cos(18 * step) * 2310;
  const double far = Length(x, y, z - 2463);
  for (int format : {1, 4}) {
    SCOPED_TRACE(format);
    const std::vector<unsigned char> frame = pattern::Frame(format);
    const MeasureFrame shown{frame.data(), frame.size(), format};
    MeasureResult result = Measure(Marks(Px(159, 119), Px(160, 119)), shown, rays);
    EXPECT_TRUE(result.valid);
    EXPECT_NEAR(result.mm, near, 1e-3);
    result = Measure(Marks(Px(159, 119), Px(150, 110)), shown, rays);
    EXPECT_NEAR(result.mm, far, 1e-3);
    char expected[64];
    std::snprintf(expected, sizeof expected, "(159, 119) to (150, 110): %.1f mm", far);
    EXPECT_EQ(result.text, expected);
  }
}

// A table of a few angles, the centre set by hand: the signs and the three
// angles a point is made of.
TEST(DistanceMeasure, PolarPointTakesTheColumnRowAndPixelAngles) {
  RayTable rays;
  rays.degrees.assign(kPixelCount, 5.0f);
  rays.cx = 159;
  rays.cy = 119;
  rays.degrees[119 * 320 + 100] = 30.0f;  // column 100 on the centre row
  rays.degrees[50 * 320 + 159] = 20.0f;   // row 50 on the centre column
  rays.degrees[50 * 320 + 100] = 35.0f;   // the pixel itself
  const std::vector<unsigned char> frame = pattern::Frame(1);
  // (100, 50): D = 1300; left of and above the centre.
  const PixelPoint p = PointOfPixel({frame.data(), frame.size(), 1}, rays, Px(100, 50));
  ASSERT_TRUE(p.valid);
  EXPECT_NEAR(p.x, -Sin(30) * 1300, 1e-6);
  EXPECT_NEAR(p.y, Sin(20) * 1300, 1e-6);
  EXPECT_NEAR(p.z, Cos(35) * 1300, 1e-6);
  // (200, 150): right of and below the centre, all angles 5 degrees, D = 3000.
  const PixelPoint q = PointOfPixel({frame.data(), frame.size(), 1}, rays, Px(200, 150));
  ASSERT_TRUE(q.valid);
  EXPECT_NEAR(q.x, Sin(5) * 3000, 1e-6);
  EXPECT_NEAR(q.y, -Sin(5) * 3000, 1e-6);
  EXPECT_NEAR(q.z, Cos(5) * 3000, 1e-6);
}

TEST(DistanceMeasure, PixelsWithoutADistanceSayWhy) {
  const RayTable rays = RayTableOf(PatternTheta());
  const std::vector<unsigned char> point_frame = pattern::Frame(2);
  const std::vector<unsigned char> polar_frame = pattern::Frame(1);
  const std::vector<unsigned char> amplitude_frame = pattern::Frame(0);
  const MeasureFrame points{point_frame.data(), point_frame.size(), 2};
  const MeasureFrame polar{polar_frame.data(), polar_frame.size(), 1};
  const struct {
    MeasureFrame frame;
    bool with_rays;
    ProbePixel a, b;
    const char* text;
  } cases[] = {
      // Point records of row 5: x = 30000, 31000, 32000, 12500, -12500.
      {points, false, Px(0, 5), Px(10, 20), "(0, 5) to (10, 20): no distance - (0, 5): no data"},
      {points, false, Px(10, 20), Px(1, 5), "(10, 20) to (1, 5): no distance - (1, 5): saturated"},
      {points, false, Px(2, 5), Px(3, 5), "(2, 5) to (3, 5): no distance - (2, 5): overflow, (3, 5): out of range"},
      {points, false, Px(4, 5), Px(4, 5), "(4, 5) to (4, 5): no distance - (4, 5): saturated"},
      // Distance words of row 5: 30000, -1, 20000; the corners have no ray.
      {polar, true, Px(0, 5), Px(10, 20), "(0, 5) to (10, 20): no distance - (0, 5): no data"},
      {polar, true, Px(3, 5), Px(5, 5), "(3, 5) to (5, 5): no distance - (3, 5): saturated, (5, 5): invalid"},
      {polar, true, Px(0, 0), Px(319, 239),
       "(0, 0) to (319, 239): no distance - (0, 0): no viewing ray, (319, 239): no viewing ray"},
      // What the frame cannot give at all.
      {polar, false, Px(10, 20), Px(11, 20), "(10, 20) to (11, 20): no distance - no angle table"},
      {{amplitude_frame.data(), amplitude_frame.size(), 0},
       true,
       Px(10, 20),
       Px(11, 20),
       "(10, 20) to (11, 20): no distance - the format has no distances"},
      {{}, true, Px(10, 20), Px(11, 20), "(10, 20) to (11, 20): no distance - no frame yet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const MeasureResult result = Measure(Marks(c.a, c.b), c.frame, c.with_rays ? rays : RayTable());
    EXPECT_FALSE(result.valid);
    EXPECT_EQ(result.text, c.text);
  }
  // The last valid values of the special rows still measure.
  EXPECT_TRUE(Measure(Marks(Px(5, 5), Px(6, 5)), points, RayTable()).valid);  // x = 12499, -12499
  EXPECT_TRUE(Measure(Marks(Px(7, 5), Px(10, 20)), polar, rays).valid);       // D = 12499
}

TEST(DistanceMeasure, MarksGoAThenBThenStartAgain) {
  const std::vector<unsigned char> frame = pattern::Frame(2);
  const MeasureFrame shown{frame.data(), frame.size(), 2};
  MeasureMarks marks;
  EXPECT_EQ(Measure(marks, shown, RayTable()).text, "");
  marks.Mark(Px(10, 20));
  EXPECT_EQ(Measure(marks, shown, RayTable()).text, "A (10, 20) - Shift+click a second pixel");
  EXPECT_FALSE(Measure(marks, shown, RayTable()).valid);
  marks.Mark(Px(100, 200));
  EXPECT_EQ(marks.count(), 2);
  EXPECT_TRUE(Measure(marks, shown, RayTable()).valid);
  marks.Mark(Px(30, 40));
  EXPECT_EQ(marks.count(), 1);
  EXPECT_EQ(Measure(marks, shown, RayTable()).text, "A (30, 40) - Shift+click a second pixel");
  marks.Clear();
  EXPECT_EQ(marks.count(), 0);
  EXPECT_EQ(Measure(marks, shown, RayTable()).text, "");
}

TEST(DistanceMeasure, RayTableNeedsAWholePlane) {
  EXPECT_TRUE(RayTableOf(std::vector<uint16_t>(100, 0)).empty());
  const RayTable rays = RayTableOf(PatternTheta());
  EXPECT_EQ(rays.degrees[0], 180.0f);                // raw 0xF000
  EXPECT_EQ(rays.degrees[kPixelCount - 1], 180.0f);  // raw 4096
  EXPECT_EQ(rays.degrees[119 * 320 + 160], 0.263671875f);
}

}  // namespace
}  // namespace kelvara
