#include "config/device_parameters.h"

#include "camera_facts/command_codes.h"

namespace kelvara {

const char* FormatName(int format_index) {
  return format_index >= 0 && format_index < kFormatCount ? kFormatNames[format_index] : "";
}

const char* ModeName(int mode_index) {
  return mode_index >= 0 && mode_index < kModeCount ? kModeNames[mode_index] : "";
}

const char* PilotLedName(int pilot_led) { return pilot_led == 0 ? "ON" : pilot_led == 1 ? "OFF" : ""; }

}  // namespace kelvara
