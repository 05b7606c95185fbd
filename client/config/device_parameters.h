#pragma once
// The client's copy of the camera's measurement parameters. The camera keeps
// them itself; for every parameter the client holds the value the user is
// editing (current) and the value the camera last confirmed (applied).
#include <cstdint>

// IsRotatedFormatIndex: the rotation controls follow the format table.
#include "camera_facts/exposure_range.h"  // kModeCount
#include "camera_facts/format_table.h"

namespace kelvara {

struct ParameterValue {
  int current = 0;
  int applied = 0;
  bool Changed() const { return current != applied; }
};

// Format and Mode are selector indexes (-1 = no entry selected). The applied
// values of Format, Mode and Interval before the first read are those the
// camera starts with (format code 0x0000 = index 1, mode 0, interval 0): they
// only matter when the read of that group fails at connect, and the camera's
// start-up values are then the best guess of what it holds.
struct DeviceParameters {
  ParameterValue format{-1, 1};
  ParameterValue mode{-1, 0};
  ParameterValue exposure_us{425, 0};
  ParameterValue frame_rate_limiter{0, 0};
  ParameterValue amp_min_all{1, 0};
  ParameterValue amp_min_near{3, 0};
  ParameterValue rotation_x{0, 0};
  ParameterValue rotation_y{0, 0};
  ParameterValue rotation_z{0, 0};
  ParameterValue led_freq_id{8, 8};
  ParameterValue pilot_led{1, 1};  // 0 = ON, 1 = OFF
  ParameterValue data_size_kb{16, 16};
  ParameterValue interval_us{0, 0};
  ParameterValue enr_threshold{0, 0};
};

// Entries of the Mode selector.
constexpr const char* kModeNames[kModeCount] = {"Normal", "High speed"};

// Entries of the Data size selector: entry i is 2 to the power i KB.
constexpr int kDataSizeCount = 5;
constexpr int kDataSizeValues[kDataSizeCount] = {1, 2, 4, 8, 16};

// The selector entry of a data size, or -1 for any other value.
constexpr int DataSizeIndexOfValue(int kb) {
  for (int i = 0; i < kDataSizeCount; ++i)
    if (kDataSizeValues[i] == kb) return i;
  return -1;
}

// Entry texts for printing; an index without an entry gives "".
const char* FormatName(int format_index);
const char* ModeName(int mode_index);
// Pilot LED 0 is "ON", 1 is "OFF"; any other value gives "".
const char* PilotLedName(int pilot_led);

}  // namespace kelvara
