#include "logging/log_files.h"

#include "common/whole_file.h"
#include "logging/plane_format.h"

namespace kelvara {

bool WriteFileBlock(const std::string& path, const void* data, std::size_t size) {
  return WriteWholeFile(path, data, size);
}

bool WritePlaneCsv(const std::string& path, PlaneView plane, Mirror mirror, std::vector<char>* buffer) {
  std::vector<char> own;
  std::vector<char>* out = buffer ? buffer : &own;
  const std::size_t size = FormatPlaneCsv(plane, mirror, out);
  return WriteFileBlock(path, out->data(), size);
}

bool WritePlaneRaw(const std::string& path, PlaneView plane, Mirror mirror, std::vector<char>* buffer) {
  std::vector<char> own;
  std::vector<char>* out = buffer ? buffer : &own;
  FormatPlaneRaw(plane, mirror, out);
  return WriteFileBlock(path, out->data(), kRawPlaneBytes);
}

bool AppendToFile(const std::string& path, const std::string& text, const std::string& header) {
  return AppendWhole(path, text, header);
}

}  // namespace kelvara
