#include "export/cloud_encoding.h"

#include <cerrno>
#include <cstring>

#include "common/whole_file.h"

namespace kelvara {
namespace cloud {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the clouds are written little-endian from memory");

std::string CloudHeader(CloudFormat format, uint32_t width, uint32_t height, CloudAxes axes) {
  const std::string points = std::to_string(static_cast<uint64_t>(width) * height);
  if (format == CloudFormat::kPcd) {
    return "# .PCD v0.7 - Point Cloud Data file format\n"
           "VERSION 0.7\n"
           "FIELDS x y z intensity\n"
           "SIZE 4 4 4 4\n"
           "TYPE F F F F\n"
           "COUNT 1 1 1 1\n"
           "WIDTH " +
           std::to_string(width) + "\nHEIGHT " + std::to_string(height) + "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " +
           points + "\nDATA binary\n";
  }
  std::string h = "ply\nformat binary_little_endian 1.0\n";
  h += axes == CloudAxes::kOpenCv ? "comment Kelvara: metres; axes opencv: x right, y down, z forward\n"
                                  : "comment Kelvara: metres; axes camera: x left, y up, z forward\n";
  if (height > 1) {
    h += "obj_info num_cols " + std::to_string(width) + "\n";
    h += "obj_info num_rows " + std::to_string(height) + "\n";
  }
  h += "element vertex " + points +
       "\nproperty float x\nproperty float y\nproperty float z\nproperty float intensity\nend_header\n";
  return h;
}

void AppendCloudPoint(std::string* out, float x, float y, float z, float intensity) {
  const float values[4] = {x, y, z, intensity};
  out->append(reinterpret_cast<const char*>(values), sizeof values);
}

std::string EncodeFrameCloud(CloudFormat format, const PointFrame& frame, const CloudLayout& layout) {
  std::string body;
  body.reserve(static_cast<size_t>(kPixelCount) * 4 * sizeof(float));
  uint32_t count = 0;
  ForEachCloudPoint(frame, layout, nullptr, [&](float x, float y, float z, float intensity) {
    AppendCloudPoint(&body, x, y, z, intensity);
    ++count;
  });
  const uint32_t width = layout.organised ? kFrameWidth : count;
  const uint32_t height = layout.organised ? kFrameHeight : 1;
  return CloudHeader(format, width, height, layout.axes) + body;
}

bool WriteCloudBytes(const std::string& path, const std::string& bytes, std::string* error) {
  errno = 0;
  if (WriteWholeFile(path, bytes.data(), bytes.size())) return true;
  const int cause = errno;
  *error = "Failed to output file!! [ " + path + " ]";
  if (cause != 0) *error += std::string(" (") + std::strerror(cause) + ")";
  return false;
}

}  // namespace cloud
}  // namespace kelvara
