#pragma once
// The viewer's own camera rules, apart from the window that applies them.
// Camera coordinates are cloud units: one unit is 20 mm. The camera that
// measured the cloud sits on the cloud's low-z side and looks toward +z
// (near distances have the smallest z); seen from there with +y up, the
// cloud lies as the client's picture window shows the frame by default
// (sample row 0 at the bottom, column 0 at the left).
#include <array>
#include <vector>

namespace kelvara {
namespace viewer {

using Point3 = std::array<double, 3>;

// The camera's z position for a new distance range: -(max - min) / 20,
// truncated toward zero (range 0 to 12500 gives -625).
double cameraDepthForRange(int rangeMin, int rangeMax);

struct CameraPose {
  Point3 position;
  Point3 focalPoint;
  Point3 viewUp;
};

// The view of the whole cloud from the measuring camera's side: looking
// along +z with +y up, aimed at the middle of the box around the points,
// and back just far enough that every point lies within 1 / 1.1 of the
// way from the middle to the edge of a perspective view of
// `viewAngleDegrees` (vertical) on a window of `aspect` (width / height).
// Each point counts as at least 10 units (200 mm) across, so that a small
// cloud is not looked at from within it. `points` must not be empty.
CameraPose wholeCloudView(const std::vector<Point3>& points, double viewAngleDegrees, double aspect);

// The same direction of view for an empty cloud: from the camera position
// of the current distance range (cameraDepthForRange) toward +z.
CameraPose emptyCloudView(int rangeMin, int rangeMax);

}  // namespace viewer
}  // namespace kelvara
