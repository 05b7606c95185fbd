#include "export/cloud_writer.h"

#include "export/cloud_encoding.h"

namespace kelvara {
namespace cloud {

std::string EncodeCloud(CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud, CloudAxes axes) {
  std::string bytes = CloudHeader(format, cloud.width, cloud.height, axes);
  bytes.reserve(bytes.size() + cloud.size() * 4 * sizeof(float));
  for (const pcl::PointXYZI& point : cloud) AppendCloudPoint(&bytes, point.x, point.y, point.z, point.intensity);
  return bytes;
}

bool WriteCloud(const std::string& path, CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud,
                std::string* error, CloudAxes axes) {
  return WriteCloudBytes(path, EncodeCloud(format, cloud, axes), error);
}

}  // namespace cloud
}  // namespace kelvara
