#include "export/cloud_format.h"

#include <cctype>

namespace kelvara {
namespace cloud {

bool CloudFormatOfPath(const std::string& path, CloudFormat* format) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".pcd") {
    *format = CloudFormat::kPcd;
  } else if (ext == ".ply") {
    *format = CloudFormat::kPly;
  } else {
    return false;
  }
  return true;
}

bool CloudAxesOfName(const std::string& name, CloudAxes* axes) {
  if (name == "camera") {
    *axes = CloudAxes::kCamera;
  } else if (name == "opencv") {
    *axes = CloudAxes::kOpenCv;
  } else {
    return false;
  }
  return true;
}

bool OrganisedByDefault(CloudFormat format) { return format == CloudFormat::kPcd; }

}  // namespace cloud
}  // namespace kelvara
