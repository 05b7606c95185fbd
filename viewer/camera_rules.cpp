#include "viewer/camera_rules.h"

#include <algorithm>
#include <cmath>

namespace kelvara {
namespace viewer {
namespace {

// The points fill at most 1 / kEdgeRoom of the view.
constexpr double kEdgeRoom = 1.1;
// Half the size a point counts with, in cloud units.
constexpr double kPointHalfSize = 5.0;
// Used when the window reports no usable angle (VTK's own default).
constexpr double kFallbackViewAngle = 30.0;
constexpr double kPi = 3.14159265358979323846;

}  // namespace

double cameraDepthForRange(int rangeMin, int rangeMax) {
  // 64-bit: a reversed pair from the pipe can span more than the int range.
  long long span = static_cast<long long>(rangeMax) - rangeMin;
  return static_cast<double>(-(span / 20));
}

CameraPose wholeCloudView(const std::vector<Point3>& points, double viewAngleDegrees, double aspect) {
  if (!(viewAngleDegrees > 0.0 && viewAngleDegrees < 180.0)) viewAngleDegrees = kFallbackViewAngle;
  if (!(aspect > 0.0)) aspect = 1.0;
  Point3 low = points.front(), high = points.front();
  for (const Point3& p : points) {
    for (int i = 0; i < 3; ++i) {
      low[i] = std::min(low[i], p[i]);
      high[i] = std::max(high[i], p[i]);
    }
  }
  const Point3 middle = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
  // A point is in view when its offset from the axis, over its depth before
  // the camera, stays within these.
  const double tanHeight = std::tan(viewAngleDegrees * kPi / 360.0) / kEdgeRoom;
  const double tanWidth = tanHeight * aspect;
  double z = low[2];
  for (const Point3& p : points) {
    const double depth = std::max({std::abs(p[0] - middle[0]) / tanWidth, std::abs(p[1] - middle[1]) / tanHeight,
                                   kPointHalfSize / std::min(tanWidth, tanHeight)});
    z = std::min(z, p[2] - depth);
  }
  return {{middle[0], middle[1], z}, middle, {0.0, 1.0, 0.0}};
}

CameraPose emptyCloudView(int rangeMin, int rangeMax) {
  const double z = cameraDepthForRange(rangeMin, rangeMax);
  // Aimed at the middle of the range (z = 0) when the camera is before it.
  const double focus = z < 0.0 ? 0.0 : z + 1.0;
  return {{0.0, 0.0, z}, {0.0, 0.0, focus}, {0.0, 1.0, 0.0}};
}

}  // namespace viewer
}  // namespace kelvara
