#include "viewer/camera_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kelvara {
namespace viewer {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(CameraRules, DepthForRange) {
  EXPECT_EQ(cameraDepthForRange(0, 12500), -625.0);
  EXPECT_EQ(cameraDepthForRange(1000, 3000), -100.0);
  EXPECT_EQ(cameraDepthForRange(0, 19), 0.0);
  EXPECT_EQ(cameraDepthForRange(5000, 100), 245.0);  // truncates toward zero
  EXPECT_EQ(cameraDepthForRange(-2147483647 - 1, 2147483647), -214748364.0);
}

// How far out a point lies in the view of a camera looking along +z: 1.0
// at the edge of the view, above 1.0 outside it or behind the camera.
double shareOfView(const CameraPose& pose, const Point3& p, double viewAngleDegrees, double aspect) {
  const double depth = p[2] - pose.position[2];
  if (depth <= 0.0) return 1e9;
  const double tanHalfHeight = std::tan(viewAngleDegrees * kPi / 360.0);
  return std::max(std::abs(p[0] - pose.position[0]) / depth / (tanHalfHeight * aspect),
                  std::abs(p[1] - pose.position[1]) / depth / tanHalfHeight);
}

// The eight corners of a box.
std::vector<Point3> corners(const Point3& low, const Point3& high) {
  std::vector<Point3> points;
  for (int corner = 0; corner < 8; ++corner)
    points.push_back(
        {(corner & 1) ? high[0] : low[0], (corner & 2) ? high[1] : low[1], (corner & 4) ? high[2] : low[2]});
  return points;
}

// A room as the range 0 to 12500 places it: a floor 50 units below the
// camera from 262 to 87 units before the middle of the range, and a back
// wall there, 314 units wide and 167 high.
std::vector<Point3> room() {
  std::vector<Point3> points;
  for (double x = -157; x <= 157; x += 15.7) {
    for (double y = -50; y <= 117; y += 16.7) points.push_back({x, y, -87});
    for (double z = -262; z <= -87; z += 17.5) points.push_back({x, -50, z});
  }
  return points;
}

TEST(CameraRules, TheWholeCloudFromTheCameraSide) {
  const struct {
    const char* what;
    std::vector<Point3> points;
    double angle;
    double aspect;
  } cases[] = {
      {"room", room(), 49.13, 4.0 / 3.0},
      {"flat box", corners({-10, -5, -100}, {10, 5, -50}), 90.0, 1.0},
      {"flat box, wide window", corners({-10, -5, -100}, {10, 5, -50}), 90.0, 2.0},
      {"tall box off the axis", corners({10, 20, 0}, {30, 60, 10}), 30.0, 0.5},
      {"large box", corners({-300, -200, 100}, {300, 200, 400}), 60.0, 1.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CameraPose pose = wholeCloudView(c.points, c.angle, c.aspect);
    // Looking along +z at the middle of the box around the points, +y up.
    Point3 low = c.points.front(), high = c.points.front();
    for (const Point3& p : c.points)
      for (int i = 0; i < 3; ++i) low[i] = std::min(low[i], p[i]), high[i] = std::max(high[i], p[i]);
    const Point3 middle = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
    EXPECT_EQ(pose.focalPoint, middle);
    EXPECT_EQ(pose.position[0], middle[0]);
    EXPECT_EQ(pose.position[1], middle[1]);
    EXPECT_EQ(pose.viewUp, (Point3{0, 1, 0}));
    // Every point in view, the outermost with a tenth of room to the edge.
    double widest = 0.0;
    for (const Point3& p : c.points) widest = std::max(widest, shareOfView(pose, p, c.angle, c.aspect));
    EXPECT_NEAR(widest, 1.0 / 1.1, 1e-9);
  }
}

TEST(CameraRules, SmallCloudsAndUnusableWindows) {
  // A single point counts as 10 units across: it is viewed from 5.5 units
  // before it at a view angle of 90 degrees.
  const CameraPose point = wholeCloudView({{1, 2, 3}}, 90.0, 1.0);
  EXPECT_EQ(point.position[0], 1.0);
  EXPECT_EQ(point.position[1], 2.0);
  EXPECT_NEAR(point.position[2], 3 - 5.5, 1e-12);
  EXPECT_EQ(point.focalPoint, (Point3{1, 2, 3}));
  // No usable angle or aspect: 30 degrees, a square window.
  const std::vector<Point3> box = corners({-20, -20, 0}, {20, 20, 10});
  const CameraPose fallback = wholeCloudView(box, 30.0, 1.0);
  for (double angle : {0.0, -5.0, 180.0, std::nan("")}) {
    EXPECT_EQ(wholeCloudView(box, angle, 1.0).position, fallback.position) << angle;
  }
  EXPECT_EQ(wholeCloudView(box, 30.0, 0.0).position, fallback.position);
}

TEST(CameraRules, AnEmptyCloudIsLookedForFromTheRangeCamera) {
  const struct {
    int min, max;
    Point3 position, focal;
  } cases[] = {
      {0, 12500, {0, 0, -625}, {0, 0, 0}},
      {1000, 3000, {0, 0, -100}, {0, 0, 0}},
      {0, 19, {0, 0, 0}, {0, 0, 1}},
      {5000, 100, {0, 0, 245}, {0, 0, 246}},
  };
  for (const auto& c : cases) {
    const CameraPose pose = emptyCloudView(c.min, c.max);
    EXPECT_EQ(pose.position, c.position) << c.min << " to " << c.max;
    EXPECT_EQ(pose.focalPoint, c.focal) << c.min << " to " << c.max;
    EXPECT_EQ(pose.viewUp, (Point3{0, 1, 0}));
  }
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
