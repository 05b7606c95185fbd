#pragma once
// The two cloud file kinds kelvara-export writes. No PCL here.
#include <string>

namespace kelvara {
namespace cloud {

enum class CloudFormat { kPcd, kPly };

// ".pcd" or ".ply" at the end of `path` (either case); false for another.
bool CloudFormatOfPath(const std::string& path, CloudFormat* format);

}  // namespace cloud
}  // namespace kelvara
