#include "logging/log_texts.h"

#include <cstdarg>
#include <cstdio>

namespace kelvara {
namespace {

// Appends one printf-formatted line and its CR LF.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Line(std::string* out, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n > 0) out->append(text, static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1);
  out->append("\r\n");
}

}  // namespace

const char kTemperatureLogHeader[] =
    "CHIP(Meam),CHIP(Upper-left),CHIP(Upper-right),CHIP(Lower-left),CHIP(Lower-right),LED\r\n";

std::string TemperatureLogLine(const TemperatureSample& s) {
  std::string out;
  const double mean = (s.upper_left + s.upper_right + s.lower_left + s.lower_right) / 40.0;
  Line(&out, "%.1f,%.1f,%.1f,%.1f,%.1f,%.1f", mean, s.upper_left / 10.0, s.upper_right / 10.0, s.lower_left / 10.0,
       s.lower_right / 10.0, s.led / 10.0);
  return out;
}

std::string SettingsLogBlock(const DeviceParameters& p, int frames, const LogSchedule& schedule) {
  std::string out;
  Line(&out, "Number of samples : %d", frames);
  Line(&out, "%s", "");
  Line(&out, "Log settings");
  Line(&out, "  Number of logs");
  Line(&out, "     Total            : %d", schedule.total);
  Line(&out, "     Once             : %d", schedule.once);
  Line(&out, "  Logging interval    : %d s", schedule.interval);
  Line(&out, "%s", "");
  Line(&out, "Setting");
  Line(&out, "  Format              : %s", FormatName(p.format.current));
  Line(&out, "  Mode                : %s", ModeName(p.mode.current));
  Line(&out, "  Exposure time       : %d us", p.exposure_us.current);
  Line(&out, "  Frame rate limiter  : %d fps", p.frame_rate_limiter.current);
  Line(&out, "  Amplitude minimum");
  Line(&out, "     All  range       : %d", p.amp_min_all.current);
  Line(&out, "     Near range       : %d", p.amp_min_near.current);
  Line(&out, "  Rotation angle");
  Line(&out, "     x                : %d", p.rotation_x.current);
  Line(&out, "     y                : %d", p.rotation_y.current);
  Line(&out, "     z                : %d", p.rotation_z.current);
  Line(&out, "  LED freq. ID        : %d", p.led_freq_id.current);
  Line(&out, "  Pilot LED           : %s", PilotLedName(p.pilot_led.current));
  Line(&out, "  Response speed");
  Line(&out, "     Data size        : %d KB", p.data_size_kb.current);
  Line(&out, "     Interval         : %d us", p.interval_us.current);
  Line(&out, "  ENR threshold       : %d", p.enr_threshold.current);
  for (int i = 0; i < 3; ++i) Line(&out, "%s", "");
  return out;
}

}  // namespace kelvara
