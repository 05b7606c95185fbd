#pragma once
// The records the client builds from the camera's frames; the frame layout
// itself is among the camera's facts.
#include <cstdint>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"

namespace kelvara {

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
