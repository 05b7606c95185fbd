#pragma once
// The simulated camera's settings, as the set and get commands see them.
// Start values are the camera's power-on values.
#include <cstdint>

namespace kelvara {
namespace camsim {

struct CameraParameters {
  uint16_t format_code = 0x0000;  // "Distance(Polar)"
  int mode = 0;                   // 0 Normal, 1 High speed
  int exposure_us = 425;
  unsigned char exposure_reserved[4] = {0, 0, 0, 0};  // the record's middle fields, echoed
  int frame_rate_limit = 0;                           // frames per second, 0 = no limit
  int amp_min_all = 1;
  int amp_min_near = 3;
  int rotation[3] = {0, 0, 0};  // degrees about x, y, z
  int led_freq_id = 8;
  int pilot_led = 1;  // 0 ON, 1 OFF
  int data_size_kb = 16;
  int interval_us = 0;
  int enr_threshold = 0;
};

}  // namespace camsim
}  // namespace kelvara
