#pragma once
// A cloud's point positions, for placing the camera.
#include <vector>

#include "viewer/camera_rules.h"
#include "viewer/cloud_builders.h"

namespace kelvara {
namespace viewer {

// x, y, z of every point, in the cloud's order.
std::vector<Point3> cloudPoints(const Cloud& cloud);

}  // namespace viewer
}  // namespace kelvara
