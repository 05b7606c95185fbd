#pragma once
// Command line of kelvara-export.
#include <string>

namespace kelvara {
namespace cloud {

struct ExportOptions {
  std::string input;
  std::string output;        // ends in .pcd or .ply
  bool organised = true;     // --unorganised drops the pixels without a point
  int frame = -1;            // --frame K: only frame K of a recording
  std::string filter;        // --filter LIST: flying,spatial,temporal or a subset
  std::string noise_report;  // --noise-report REC: the noise of a still scene
  bool help = false;
};

// Returns an empty string on success, else the reason.
std::string ParseExportOptions(int argc, const char* const* argv, ExportOptions* options);
extern const char kExportUsageText[];

// Exit statuses.
constexpr int kExportOk = 0;
constexpr int kExportUsage = 2;
constexpr int kExportBadInput = 3;
constexpr int kExportOutputFailed = 6;

// The file of frame `k` when a recording gives several: "_%04d" before the
// extension ("a/b.pcd", 7 -> "a/b_0007.pcd").
std::string NumberedPath(const std::string& output, int k);

}  // namespace cloud
}  // namespace kelvara
