#include "logging/snapshot.h"

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "export/cloud_encoding.h"
#include "export/point_frame.h"
#include "logging/log_names.h"
#include "logging/run_destination.h"

namespace kelvara {

std::string SnapshotStamp(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

bool WritePointCloudPly(const std::string& path, const unsigned char* frame, size_t size, std::string* error) {
  if (size < static_cast<size_t>(kPcdFileBytes)) {
    *error = "the frame holds no points";
    return false;
  }
  cloud::CloudLayout layout;
  layout.organised = false;
  const std::string bytes =
      cloud::EncodeFrameCloud(cloud::CloudFormat::kPly, cloud::FromFrameBytes(frame, size), layout);
  return cloud::WriteCloudBytes(path, bytes, error);
}

SnapshotResult WriteSnapshot(const SnapshotRequest& request, const std::vector<unsigned char>& frame) {
  SnapshotResult result;
  result.base = RunBaseName(request.file_name) + "_snapshot_" + SnapshotStamp(request.when);
  // One frame through the log writers, as a logging run of one would write it.
  LogWriter writer;
  writer.SetCsvCheck(request.csv);
  writer.SetPngCheck(request.png);
  writer.SetBinCheck(request.bin);
  writer.SetPcdCheck(request.pcd);
  writer.SetSchedule({1, 1, 0});
  writer.SetFormatIndex(request.format_index);
  writer.SetMirror(request.mirror);
  writer.SetPngSaver(request.png_saver);
  writer.StartRun(request.folder, result.base);
  writer.WriteFrameLogs(0, frame.data(), frame.size());
  result.failure = writer.FirstFailure();
  result.files = ExistingRunFiles(request.folder, result.base);
  if (IsPointFrameFormat(request.format_index)) {
    const std::string ply = RunLogPath(request.folder, result.base, ".ply");
    std::string error;
    if (WritePointCloudPly(ply, frame.data(), frame.size(), &error)) result.files.push_back(result.base + ".ply");
    else if (result.failure.empty()) result.failure = ply;
  }
  return result;
}

std::string SnapshotLine(const std::string& folder, const SnapshotResult& result) {
  if (!result.failure.empty()) return OutputFailureMessage(result.failure);
  if (result.files.empty()) return "Snapshot: no file type is ticked for this format.";
  return "Snapshot: " + std::to_string(result.files.size()) + (result.files.size() == 1 ? " file" : " files") +
         " saved as " + RunLogPath(folder, result.base, "*");
}

}  // namespace kelvara
