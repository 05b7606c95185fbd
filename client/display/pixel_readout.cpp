#include "display/pixel_readout.h"

#include <cstdio>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

const char* DistanceCodeMeaning(int16_t value) {
  switch (value) {
    case DIST_NO_DATA: return "no data";
    case DIST_SATURATION: return "saturated";
    case DIST_OVERFLOW: return "overflow";
    default: break;
  }
  const unsigned top = (static_cast<uint16_t>(value) >> 14) & 3u;
  switch (top) {
    case 1: return "invalid";
    case 2: return "overflow";
    case 3: return "saturated";
    default: return nullptr;
  }
}

std::string DistanceMeaning(int16_t value) {
  const char* code = DistanceCodeMeaning(value);
  return code ? std::string(code) : std::to_string(value) + " mm";
}

std::string AmplitudeMeaning(int16_t value) {
  if (value == 511) return "saturated";
  if (value == 510) return "overflow";
  if (value & 0x100) return "invalid";
  return std::to_string(value);
}

std::string PixelReadoutText(ProbeKind kind, const ProbePixel& pixel, int16_t value, int16_t amplitude,
                             const std::optional<PointMm>& point) {
  char head[48];
  std::snprintf(head, sizeof head, "Pixel (%d, %d): ", pixel.ix, pixel.iy);
  std::string text = head;
  switch (kind) {
    case ProbeKind::kAmplitude: text += "amplitude " + AmplitudeMeaning(value); break;
    case ProbeKind::kDistance: text += DistanceMeaning(value); break;
    case ProbeKind::kDistanceAndAmplitude:
      text += DistanceMeaning(value) + ", amplitude " + AmplitudeMeaning(amplitude);
      break;
  }
  if (point && point->x >= -kMaxDistanceMm && point->x <= kMaxDistanceMm) {
    text +=
        ", x " + std::to_string(point->x) + " y " + std::to_string(point->y) + " z " + std::to_string(point->z) + " mm";
  }
  return text;
}

}  // namespace kelvara
