#pragma once
// A recording of the simulator's pattern frames, for the benchmarks that
// replay or play back one.
#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"
#include "recording/recording_writer.h"

namespace kelvara {

// `frames` pattern frames in format 5, `gap_ns` apart, with the pattern's
// version reply. False when the file cannot be written.
inline bool WritePatternRecording(const std::string& path, int frames, int64_t gap_ns) {
  recording::RecordingHeader h;
  h.format_code = kFormatCodes[5];
  h.replies.push_back({CMD_GET_VERSION, pattern::VersionPayload()});
  recording::RecordingWriter w;
  if (!w.Open(path, h)) return false;
  const std::vector<unsigned char> frame = pattern::Frame(5);
  for (int k = 0; k < frames; ++k)
    if (!w.Append(recording::RecordKind::kFrame, k * gap_ns, frame.data(), static_cast<uint32_t>(frame.size())))
      return false;
  return w.Close();
}

}  // namespace kelvara
