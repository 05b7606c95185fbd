#pragma once
// The parts of a point frame a cloud is made of, found in whatever file
// holds them: a recording, a whole result frame, an export-ring file or a
// logged camera PCD. No PCL here.
#include <cstdint>
#include <string>
#include <vector>

#include "frame_geometry.h"

namespace kelvara {
namespace cloud {

// One point frame: its records and, where the file has them, the amplitude
// words of the first `amplitude_pixels` pixels.
struct PointFrame {
  std::vector<unsigned char> records;    // kPointRecordsBytes
  std::vector<unsigned char> amplitude;  // 2 bytes per pixel, may be short or empty
  int64_t time_ns = -1;                  // receive time in a recording, else -1
};

// Splits the bytes of a whole result frame or an export-ring file.
PointFrame FromFrameBytes(const unsigned char* frame, size_t size);

// Reads every point frame of `path`, or only frame `only` (>= 0) of a
// recording. Returns false with the reason in *error when the file holds no
// point frames (unknown size, plane format, damaged recording).
// *note tells what was read ("recording, 50 frames", ...).
bool ReadPointFrames(const std::string& path, int only, std::vector<PointFrame>* frames, std::string* error,
                     std::string* note);

}  // namespace cloud
}  // namespace kelvara
