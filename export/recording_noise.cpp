#include "export/recording_noise.h"

#include <cstdio>
#include <vector>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "filters/filter_chain.h"
#include "recording/recording_reader.h"

namespace kelvara {
namespace cloud {

bool MeasureRecordingNoise(const std::string& path, filters::NoiseReport* report, std::string* error) {
  recording::RecordingReader reader;
  if (!reader.Open(path)) {
    *error = reader.error();
    return false;
  }
  const uint16_t code = reader.header().format_code;
  const FormatFacts* format = FormatAt(FormatIndexOfCode(code));
  if (format == nullptr || format->first_plane != FirstPlane::kDistance || format->amplitude_offset < 0) {
    char text[128];
    std::snprintf(text, sizeof text, "recorded format 0x%04X has no distances with amplitudes (record a +AMP format)",
                  code);
    *error = path + ": " + text;
    return false;
  }
  const bool points = format->family == FrameFamily::kPoint;
  const size_t needed = static_cast<size_t>(format->amplitude_offset) + kPlaneBytes;
  std::vector<unsigned char> bytes;
  filters::RangeFrame frame;
  for (size_t k = 0; k < reader.frames().size(); ++k) {
    const recording::RecordEntry& entry = reader.frames()[k];
    bytes.resize(entry.payload_size);
    if (bytes.size() < needed || !reader.ReadPayload(entry, bytes.data())) {
      *error = path + ": frame " + std::to_string(k) + " cannot be read";
      return false;
    }
    const unsigned char* amplitude = bytes.data() + format->amplitude_offset;
    if (points) filters::RangesFromPoints(bytes.data() + kPcdHeaderBytes, amplitude, kPixelCount, &frame);
    else filters::RangesFromPlanes(bytes.data(), amplitude, &frame);
    report->Add(frame);
  }
  if (report->frames() < 2) {
    *error = path + ": a noise report needs at least two frames of a still scene";
    return false;
  }
  return true;
}

std::string NoiseCsvPath(const std::string& recording) {
  const std::string ext = ".kvrec";
  const bool has_ext =
      recording.size() > ext.size() && recording.compare(recording.size() - ext.size(), ext.size(), ext) == 0;
  return (has_ext ? recording.substr(0, recording.size() - ext.size()) : recording) + "-noise.csv";
}

}  // namespace cloud
}  // namespace kelvara
