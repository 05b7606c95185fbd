#pragma once
// The parts of a point frame a cloud is made of, found in whatever file
// holds them: a recording, a whole result frame, an export-ring file or a
// logged camera PCD. No PCL here.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvara {
namespace cloud {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPixels = kWidth * kHeight;
constexpr size_t kHeaderBytes = 170;                  // the camera's PCD header
constexpr size_t kRecordsBytes = kPixels * 6;         // x, y, z per pixel, int16 LE, mm
constexpr size_t kCameraPcdBytes = kHeaderBytes + kRecordsBytes;  // 460970
constexpr size_t kWholeFrameBytes = 614656;           // a result reply
constexpr size_t kRingFrameBytes = 614400;            // a 3D export ring file
// Point records with x outside this range carry a sample code, not a point.
constexpr int kMaxCoordinate = 12499;

// One point frame: its records and, where the file has them, the amplitude
// words of the first `amplitude_pixels` pixels.
struct PointFrame {
  std::vector<unsigned char> records;    // kRecordsBytes
  std::vector<unsigned char> amplitude;  // 2 bytes per pixel, may be short or empty
  int64_t time_ns = -1;                  // receive time in a recording, else -1
};

// Splits the bytes of a whole result frame or an export-ring file.
PointFrame FromFrameBytes(const unsigned char* frame, size_t size);

// Reads every point frame of `path`, or only frame `only` (>= 0) of a
// recording. Returns false with the reason in *error when the file holds no
// point frames (unknown size, plane format, damaged recording).
// *note tells what was read ("recording, 50 frames", ...).
bool ReadPointFrames(const std::string& path, int only, std::vector<PointFrame>* frames,
                     std::string* error, std::string* note);

}  // namespace cloud
}  // namespace kelvara
