#pragma once
// Writes a cloud with PCL's own writers: binary PCD or binary PLY.
#include <string>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "cloud_format.h"

namespace kelvara {
namespace cloud {

// False with the reason in *error when the file cannot be written.
bool WriteCloud(const std::string& path, CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud,
                std::string* error);

}  // namespace cloud
}  // namespace kelvara
