#pragma once
// The text content of the temperature log and the settings summary. Lines
// end in CR LF.
#include <string>

#include "config/device_parameters.h"
#include "frame/frame_layout.h"

namespace kelvara {

// The logging panel's schedule, as printed in the settings summary.
struct LogSchedule {
  int total = 10;    // TotalNumberOfLogs
  int once = 1;      // NumberOfLogsAtOnce
  int interval = 0;  // LoggingInterval, seconds
};

// First line of a new temperature log.
extern const char kTemperatureLogHeader[];

// "%.1f" of the chip mean and of each of the five temperatures, in degrees.
std::string TemperatureLogLine(const TemperatureSample& sample);

// The settings block appended at the end of a run: frames logged, the
// schedule and the current parameter values, then three empty lines.
std::string SettingsLogBlock(const DeviceParameters& parameters, int frames, const LogSchedule& schedule);

}  // namespace kelvara
