#include "export/cloud_writer.h"

#include <cerrno>
#include <cstring>

#include "common/whole_file.h"

namespace kelvara {
namespace cloud {
namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the clouds are written little-endian from memory");

constexpr size_t kPointBytes = 4 * sizeof(float);

// x, y, z, intensity of every point, packed.
void AppendPoints(const pcl::PointCloud<pcl::PointXYZI>& cloud, std::string* out) {
  const size_t start = out->size();
  out->resize(start + cloud.size() * kPointBytes);
  char* p = &(*out)[start];
  for (const pcl::PointXYZI& point : cloud) {
    const float values[4] = {point.x, point.y, point.z, point.intensity};
    std::memcpy(p, values, kPointBytes);
    p += kPointBytes;
  }
}

std::string PcdHeader(const pcl::PointCloud<pcl::PointXYZI>& cloud) {
  return "# .PCD v0.7 - Point Cloud Data file format\n"
         "VERSION 0.7\n"
         "FIELDS x y z intensity\n"
         "SIZE 4 4 4 4\n"
         "TYPE F F F F\n"
         "COUNT 1 1 1 1\n"
         "WIDTH " +
         std::to_string(cloud.width) + "\nHEIGHT " + std::to_string(cloud.height) +
         "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " + std::to_string(cloud.size()) + "\nDATA binary\n";
}

std::string PlyHeader(const pcl::PointCloud<pcl::PointXYZI>& cloud, CloudAxes axes) {
  std::string h = "ply\nformat binary_little_endian 1.0\n";
  h += axes == CloudAxes::kOpenCv ? "comment Kelvara: metres; axes opencv: x right, y down, z forward\n"
                                  : "comment Kelvara: metres; axes camera: x left, y up, z forward\n";
  if (cloud.height > 1) {
    h += "obj_info num_cols " + std::to_string(cloud.width) + "\n";
    h += "obj_info num_rows " + std::to_string(cloud.height) + "\n";
  }
  h += "element vertex " + std::to_string(cloud.size()) +
       "\nproperty float x\nproperty float y\nproperty float z\nproperty float intensity\nend_header\n";
  return h;
}

}  // namespace

std::string EncodeCloud(CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud, CloudAxes axes) {
  std::string bytes = format == CloudFormat::kPcd ? PcdHeader(cloud) : PlyHeader(cloud, axes);
  AppendPoints(cloud, &bytes);
  return bytes;
}

bool WriteCloud(const std::string& path, CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud,
                std::string* error, CloudAxes axes) {
  const std::string bytes = EncodeCloud(format, cloud, axes);
  errno = 0;
  if (WriteWholeFile(path, bytes.data(), bytes.size())) return true;
  const int cause = errno;
  *error = "Failed to output file!! [ " + path + " ]";
  if (cause != 0) *error += std::string(" (") + std::strerror(cause) + ")";
  return false;
}

}  // namespace cloud
}  // namespace kelvara
