#pragma once
// Whether the camera is still warming up: the imager's temperature (the mean
// of the chip's four corners) over the last minutes. A time-of-flight camera's
// distances drift while it warms up. No Qt; the caller gives the time of
// each sample, so tests run on a fake clock.
#include <deque>
#include <string>

#include "config/profile_store.h"
#include "frame/frame_layout.h"

namespace kelvara {

struct WarmUpThresholds {
  double rate_per_minute = 0.1;  // degrees Celsius per minute
  double window_s = 120;         // seconds over which the rise is measured
};

enum class WarmUpState { kUnknown, kWarmingUp, kStable };

// The thresholds in the profile's section "Trends": "WarmUpRate" (degrees
// per minute, 0.01 to 10) and "WarmUpWindow" (seconds, 10 to 3600); a value
// missing or out of its range counts as the default.
WarmUpThresholds LoadWarmUpThresholds(const Profile& profile);

// "Warming up", "Stable", or "--" while too few temperatures are known.
const char* WarmUpText(WarmUpState state);

// Whether the worker filled `sample` from the camera: not when sampling was
// stopped (sampled flag -1) nor before the first reading (all fields 0).
bool IsReadSample(const TemperatureSample& sample);

class WarmUpRule {
 public:
  explicit WarmUpRule(WarmUpThresholds thresholds = {}) : thresholds_(thresholds) {}

  // One temperature sample at `seconds` (any steadily rising clock). Samples
  // not read (IsReadSample) are left out; so is a sample not later than the
  // last one.
  void Add(double seconds, const TemperatureSample& sample);
  void Reset() { samples_.clear(); }

  // Warming up: the least-squares slope of the imager's temperature over
  // the samples of at least the last minute rises faster than the rate.
  // Stable: the samples cover the whole window and it does not. Unknown
  // otherwise.
  WarmUpState State() const;

 private:
  struct Point {
    double seconds;
    double celsius;
  };
  WarmUpThresholds thresholds_;
  std::deque<Point> samples_;  // the window, plus one sample at or before its start
};

}  // namespace kelvara
