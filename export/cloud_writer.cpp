#include "cloud_writer.h"

#include <pcl/io/pcd_io.h>
#include <pcl/io/ply_io.h>

namespace kelvara {
namespace cloud {

bool WriteCloud(const std::string& path, CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud,
                std::string* error) {
  int rc = -1;
  try {
    rc =
        format == CloudFormat::kPcd ? pcl::io::savePCDFileBinary(path, cloud) : pcl::io::savePLYFileBinary(path, cloud);
  } catch (const std::exception& e) {
    // PCL reports some failures (an unwritable folder) by throwing.
    *error = "Failed to output file!! [ " + path + " ] (" + e.what() + ")";
    return false;
  }
  if (rc != 0) {
    *error = "Failed to output file!! [ " + path + " ]";
    return false;
  }
  return true;
}

}  // namespace cloud
}  // namespace kelvara
