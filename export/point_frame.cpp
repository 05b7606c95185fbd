#include "point_frame.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "format_table.h"
#include "recording_reader.h"

namespace kelvara {
namespace cloud {
namespace {

// Recorded formats whose frames carry point records; an unknown code has none.
bool IsPointFormatCode(uint16_t code) {
  const FormatFacts* f = FormatAt(FormatIndexOfCode(code));
  return f != nullptr && f->family == FrameFamily::kPoint;
}

bool ReadRecording(const std::string& path, int only, std::vector<PointFrame>* frames, std::string* error,
                   std::string* note) {
  recording::RecordingReader reader;
  if (!reader.Open(path)) {
    *error = reader.error();
    return false;
  }
  const uint16_t code = reader.header().format_code;
  if (!IsPointFormatCode(code)) {
    char text[96];
    std::snprintf(text, sizeof text, "recorded format 0x%04X has no point records", code);
    *error = path + ": " + text;
    return false;
  }
  const auto& entries = reader.frames();
  if (only >= static_cast<int>(entries.size())) {
    *error =
        path + ": no frame " + std::to_string(only) + " (the recording holds " + std::to_string(entries.size()) + ")";
    return false;
  }
  std::vector<unsigned char> bytes;
  for (size_t k = 0; k < entries.size(); ++k) {
    if (only >= 0 && static_cast<int>(k) != only) continue;
    bytes.resize(entries[k].payload_size);
    if (bytes.size() < kPcdFileBytes || !reader.ReadPayload(entries[k], bytes.data())) {
      *error = path + ": frame " + std::to_string(k) + " cannot be read";
      return false;
    }
    frames->push_back(FromFrameBytes(bytes.data(), bytes.size()));
    frames->back().time_ns = entries[k].time_ns;
  }
  *note = "recording of " + std::to_string(entries.size()) + " frames";
  if (reader.trailing_bytes() > 0) *note += " (cut off after its last whole frame)";
  return true;
}

// A PCD header begins with its comment line or its VERSION line; a plane
// frame begins with sample words.
bool LooksLikePcdHeader(const std::vector<unsigned char>& b) {
  return b.size() >= kPcdHeaderBytes &&
         (std::memcmp(b.data(), "# .PCD", 6) == 0 || std::memcmp(b.data(), "VERSION", 7) == 0);
}

}  // namespace

PointFrame FromFrameBytes(const unsigned char* frame, size_t size) {
  PointFrame f;
  f.records.assign(frame + kPcdHeaderBytes, frame + kPcdFileBytes);
  if (size > kPcdFileBytes) {
    const size_t amp = std::min(size - kPcdFileBytes, size_t{kPixelCount} * 2);
    f.amplitude.assign(frame + kPcdFileBytes, frame + kPcdFileBytes + amp);
  }
  return f;
}

bool ReadPointFrames(const std::string& path, int only, std::vector<PointFrame>* frames, std::string* error,
                     std::string* note) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  char magic[8] = {};
  in.read(magic, sizeof magic);
  if (in.gcount() == sizeof magic && std::memcmp(magic, recording::kMagic, sizeof magic) == 0)
    return ReadRecording(path, only, frames, error, note);

  in.clear();
  in.seekg(0);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (only > 0) {
    *error = path + " holds one frame: --frame " + std::to_string(only) + " is not there";
    return false;
  }
  switch (bytes.size()) {
    case kMeasurementFrameBytes: *note = "result frame"; break;
    case kExportFrameBytes: *note = "export ring frame (the last 85 amplitudes are cut off)"; break;
    case kPcdFileBytes: *note = "camera PCD (no amplitudes: intensity 0)"; break;
    default:
      *error = path + " is neither a recording nor a point frame (" + std::to_string(bytes.size()) +
               " bytes; a result frame has 614656, an export ring file 614400, a camera PCD file 460970)";
      return false;
  }
  if (!LooksLikePcdHeader(bytes)) {
    *error = path + " does not begin with the camera's PCD header: not a point-format frame";
    return false;
  }
  frames->push_back(FromFrameBytes(bytes.data(), bytes.size()));
  return true;
}

}  // namespace cloud
}  // namespace kelvara
