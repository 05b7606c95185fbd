#include "logging/snapshot.h"

#include <cerrno>
#include <cstring>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "common/whole_file.h"
#include "export/point_frame.h"
#include "logging/log_names.h"
#include "logging/run_destination.h"

namespace kelvara {
namespace {

int16_t Word(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

void PutFloat(std::string* out, float value) {
  unsigned char bytes[4];
  std::memcpy(bytes, &value, 4);  // the machine is little-endian, as the file
  out->append(reinterpret_cast<const char*>(bytes), 4);
}

}  // namespace

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
  const cloud::PointFrame points = cloud::FromFrameBytes(frame, size);
  const size_t amp_pixels = points.amplitude.size() / 2;
  std::string body;
  body.reserve(static_cast<size_t>(kPixelCount) * 16);
  size_t count = 0;
  for (int i = 0; i < kPixelCount; ++i) {
    const unsigned char* r = points.records.data() + kPointRecordBytes * i;
    const int x = Word(r);
    // x outside the measuring range: the record carries a sample code, not a point.
    if (x < -kMaxDistanceMm || x > kMaxDistanceMm) continue;
    const int a = static_cast<size_t>(i) < amp_pixels ? Word(points.amplitude.data() + 2 * i) : 0;
    PutFloat(&body, static_cast<float>(x) / 1000.0f);
    PutFloat(&body, static_cast<float>(Word(r + 2)) / 1000.0f);
    PutFloat(&body, static_cast<float>(Word(r + 4)) / 1000.0f);
    PutFloat(&body, (a >= 0 && a <= 255) ? static_cast<float>(a) : 0.0f);
    ++count;
  }
  const std::string file = "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(count) +
                           "\nproperty float x\nproperty float y\nproperty float z\nproperty float intensity\n"
                           "end_header\n" +
                           body;
  if (!WriteWholeFile(path, file.data(), file.size())) {
    *error = std::strerror(errno);
    return false;
  }
  return true;
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
