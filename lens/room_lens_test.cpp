// The room lens: the angle table the viewer reads must describe the same
// rays the simulator casts.
#include "lens/room_lens.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kelvara {
namespace {

constexpr double kPi = 3.14159265358979323846;

uint16_t Le16(const std::vector<unsigned char>& t, int offset) {
  return static_cast<uint16_t>(t[offset] | (t[offset + 1] << 8));
}

TEST(RoomLens, AngleTableHasItsOnlyZeroOnTheAxisPixelAndThetaIsTheRayAngle) {
  std::vector<unsigned char> table(307200, 0xAA);
  FillRoomAngleTable(table.data());
  int zeros = 0;
  for (int r = 0; r < 240; ++r)
    for (int c = 0; c < 320; ++c) {
      const int i = r * 320 + c;
      const uint16_t theta = Le16(table, 2 * i);
      if (theta == 0) {
        ++zeros;
        EXPECT_EQ(r, 119);
        EXPECT_EQ(c, 159);
      }
      EXPECT_LT(theta, 4096) << "every pixel has a ray";
      // The raw value is the angle between the ray and the axis (0, 0, 1).
      const LensRay ray = RoomPixelRay(r, c);
      const double angle = std::acos(ray.z) * 180.0 / kPi;
      EXPECT_NEAR(theta * 90.0 / 4096.0, angle, 90.0 / 4096.0 / 2 + 1e-9) << r << "," << c;
      EXPECT_EQ(Le16(table, 153600 + 2 * i), RoomPhiRaw(r, c));
    }
  EXPECT_EQ(zeros, 1);
}

TEST(RoomLens, RaysPointLeftForLowColumnsAndDownForLowRows) {
  // Column 0 is drawn at the left, row 0 at the bottom of the picture.
  EXPECT_GT(RoomPixelRay(119, 0).x, 0.5);
  EXPECT_LT(RoomPixelRay(119, 319).x, -0.5);
  EXPECT_LT(RoomPixelRay(0, 159).y, -0.4);
  EXPECT_GT(RoomPixelRay(239, 159).y, 0.4);
  const LensRay axis = RoomPixelRay(119, 159);
  EXPECT_DOUBLE_EQ(axis.z, 1.0);
  // Symmetric about the axis pixel, unit length everywhere.
  const LensRay a = RoomPixelRay(119 - 50, 159 - 70);
  const LensRay b = RoomPixelRay(119 + 50, 159 + 70);
  EXPECT_DOUBLE_EQ(a.x, -b.x);
  EXPECT_DOUBLE_EQ(a.y, -b.y);
  EXPECT_NEAR(a.x * a.x + a.y * a.y + a.z * a.z, 1.0, 1e-12);
  // About 70 degrees across the columns.
  EXPECT_NEAR(RoomThetaDegrees(119, 0) + RoomThetaDegrees(119, 319), 70.0, 1.0);
}

TEST(RoomLens, PhiIsTheAzimuthAroundTheAxis) {
  EXPECT_EQ(RoomPhiRaw(119, 200), 0);                              // towards higher columns
  EXPECT_EQ(RoomPhiRaw(160, 159), std::lround(90 * 4096.0 / 90));  // higher rows
  EXPECT_EQ(RoomPhiRaw(119, 100), std::lround(180 * 4096.0 / 90));
  EXPECT_EQ(RoomPhiRaw(50, 159), std::lround(270 * 4096.0 / 90));
}

}  // namespace
}  // namespace kelvara
