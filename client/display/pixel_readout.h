#pragma once
// The status bar's live readout of the pixel under the mouse: column, row,
// the distance in mm or what its code means, the amplitude, and for point
// formats the point's x, y and z in mm. No Qt.
#include <cstdint>
#include <optional>
#include <string>

#include "display/picture_layout.h"

namespace kelvara {

// "1234 mm", or the meaning of a code: "no data", "saturated", "overflow",
// "invalid".
std::string DistanceMeaning(int16_t value);
// The meaning of a distance word that is a code, or nullptr for a distance
// (0..16383).
const char* DistanceCodeMeaning(int16_t value);
// "56", or "saturated", "overflow", "invalid".
std::string AmplitudeMeaning(int16_t value);

struct PointMm {
  int x = 0, y = 0, z = 0;
};

// "Pixel (160, 120): 1234 mm, amplitude 56, x -12 y 34 z 1234 mm". An
// amplitude image reads only the amplitude. `point` (a point format's record
// of the pixel) is added when given and its x is a coordinate, not a sample
// code.
std::string PixelReadoutText(ProbeKind kind, const ProbePixel& pixel, int16_t value, int16_t amplitude,
                             const std::optional<PointMm>& point);

}  // namespace kelvara
