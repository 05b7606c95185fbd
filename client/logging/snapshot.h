#pragma once
// "Snapshot": the frame on screen saved into the logging folder as the
// logging panel's file types for one frame, plus, for point formats, an
// unorganised cloud as a binary PLY file (x, y, z in metres and the
// amplitude as intensity, as kelvara-export writes it). The files are named
// "<file name>_snapshot_<YYYYMMDD-HHMMSS>...". No Qt.
#include <ctime>
#include <string>
#include <vector>

#include "logging/log_writer.h"

namespace kelvara {

struct SnapshotRequest {
  std::string folder;
  std::string file_name;  // the panel's; "unnamed" when empty
  std::time_t when = 0;   // local time in the name
  int format_index = 1;
  bool csv = false, png = false, bin = true, pcd = true;
  Mirror mirror;
  LogWriter::PngSaver png_saver;
};

struct SnapshotResult {
  std::string base;                // "<file name>_snapshot_<stamp>"
  std::vector<std::string> files;  // the names written into the folder
  std::string failure;             // the first file that could not be written
};

// "20261211-021530" of `when` in local time.
std::string SnapshotStamp(std::time_t when);

SnapshotResult WriteSnapshot(const SnapshotRequest& request, const std::vector<unsigned char>& frame);

// The points of a point frame as a binary little-endian PLY file; records
// that carry a sample code are left out. False with the reason in *error.
bool WritePointCloudPly(const std::string& path, const unsigned char* frame, size_t size, std::string* error);

// The status line after a snapshot.
std::string SnapshotLine(const std::string& folder, const SnapshotResult& result);

}  // namespace kelvara
