#pragma once
// Command line of kelvara-export.
#include <string>

#include "export/cloud_format.h"

namespace kelvara {
namespace cloud {

struct ExportOptions {
  std::string input;
  std::string output;                      // ends in .pcd or .ply
  CloudFormat format = CloudFormat::kPcd;  // by OUTPUT's extension
  // --organised / --unorganised; neither: OrganisedByDefault(format).
  enum class Grid { kDefault, kOrganised, kUnorganised } grid = Grid::kDefault;
  CloudAxes axes = CloudAxes::kCamera;  // --axes camera|opencv
  int frame = -1;                       // --frame K: only frame K of a recording
  std::string filter;                   // --filter LIST: flying,spatial,temporal or a subset
  std::string noise_report;             // --noise-report REC: the noise of a still scene
  bool help = false;
};

// Returns an empty string on success, else the reason.
std::string ParseExportOptions(int argc, const char* const* argv, ExportOptions* options);
extern const char kExportUsageText[];

// The layout the options ask for.
CloudLayout LayoutOf(const ExportOptions& options);

// Exit statuses.
constexpr int kExportOk = 0;
constexpr int kExportUsage = 2;
constexpr int kExportBadInput = 3;
constexpr int kExportOutputFailed = 6;

// The file of frame `k` of a recording: "_%04d" before the extension
// ("a/b.pcd", 7 -> "a/b_0007.pcd").
std::string NumberedPath(const std::string& output, int k);

}  // namespace cloud
}  // namespace kelvara
