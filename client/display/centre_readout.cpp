#include "display/centre_readout.h"

#include <cstdio>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"

namespace kelvara {

std::string CentreReadout(int format_index, int centre_value) {
  char text[32];
  if (IsAmplitudeOnlyFormat(format_index)) {
    if (centre_value >= 256) return "- - ";
    std::snprintf(text, sizeof text, "%5d", centre_value);
  } else {
    if (centre_value >= kDistanceLimitMm) return "- - mm";
    std::snprintf(text, sizeof text, "%5d mm", centre_value);
  }
  return text;
}

}  // namespace kelvara
