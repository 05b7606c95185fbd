#pragma once
// Layout of the camera's result frame and the records built from it.
#include <cstdint>

#include "command_codes.h"

namespace kelvara {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kCentrePixel = 119 * kFrameWidth + 159;  // entry 38239 of display plane 0

// Plane frames (formats 0, 1, 4): plane 0 at 0, plane 1 at 153600.
constexpr int kPlane1Offset = kPlaneBytes;
// Point frames (formats 2, 3, 5, 6): the camera's PCD header, the point
// records (x, y, z: signed 16-bit mm), then the amplitude plane.
constexpr int kPcdHeaderBytes = 170;
constexpr int kPointRecordBytes = 6;
constexpr int kPcdFileBytes = kPcdHeaderBytes + kPixelCount * kPointRecordBytes;  // 460970
constexpr int kPointAmplitudeOffset = kPcdFileBytes;
// The export ring carries the first 614400 bytes of every frame.
constexpr int kExportFrameBytes = 614400;

// Sample codes of distance and amplitude words.
constexpr int16_t DIST_NO_DATA = 30000;
constexpr int16_t DIST_SATURATION = 31000;
constexpr int16_t DIST_OVERFLOW = 32000;
constexpr int16_t AMP_OVERFLOW = 510;
constexpr int16_t AMP_SATURATION = 511;

// Plane frames for format indices 0, 1 and 4; point frames for all others.
constexpr bool IsPlaneFrameFormat(int format_index) {
  return format_index == 0 || format_index == 1 || format_index == 4;
}
constexpr bool IsPointFrameFormat(int format_index) { return !IsPlaneFrameFormat(format_index); }
// The two polar formats, whose logging runs end with the angle logs.
constexpr bool IsPolarFormat(int format_index) { return format_index == 1 || format_index == 4; }

// The last temperatures read by the measurement loop, in tenths of a degree
// Celsius. `sampled` is 0 when read in this second, -1 when sampling is
// stopped. A field keeps its value when its read fails; all start at 0.
struct TemperatureSample {
  int16_t upper_left = 0;
  int16_t upper_right = 0;
  int16_t lower_left = 0;
  int16_t lower_right = 0;
  int16_t sampled = 0;
  int16_t led = 0;
};

}  // namespace kelvara
