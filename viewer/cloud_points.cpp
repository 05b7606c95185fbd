#include "viewer/cloud_points.h"

namespace kelvara {
namespace viewer {

std::vector<Point3> cloudPoints(const Cloud& cloud) {
  std::vector<Point3> points;
  points.reserve(cloud.size());
  for (const pcl::PointXYZRGB& p : cloud.points) points.push_back({p.x, p.y, p.z});
  return points;
}

}  // namespace viewer
}  // namespace kelvara
