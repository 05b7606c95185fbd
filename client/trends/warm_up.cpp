#include "trends/warm_up.h"

#include <locale>
#include <sstream>

namespace kelvara {

namespace {

constexpr char kSection[] = "Trends";

double ReadNumber(const Profile& profile, const char* key, double fallback, double lowest, double highest) {
  const std::string text = profile.ReadString(kSection, key, "");
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0;
  if (!(in >> value) || !(in >> std::ws).eof() || value < lowest || value > highest) return fallback;
  return value;
}

}  // namespace

WarmUpThresholds LoadWarmUpThresholds(const Profile& profile) {
  WarmUpThresholds t;
  t.rate_per_minute = ReadNumber(profile, "WarmUpRate", t.rate_per_minute, 0.01, 10);
  t.window_s = ReadNumber(profile, "WarmUpWindow", t.window_s, 10, 3600);
  return t;
}

const char* WarmUpText(WarmUpState state) {
  switch (state) {
    case WarmUpState::kWarmingUp: return "Warming up";
    case WarmUpState::kStable: return "Stable";
    case WarmUpState::kUnknown: break;
  }
  return "--";
}

bool IsReadSample(const TemperatureSample& s) {
  if (s.sampled == -1) return false;
  return s.upper_left != 0 || s.upper_right != 0 || s.lower_left != 0 || s.lower_right != 0 || s.led != 0;
}

void WarmUpRule::Add(double seconds, const TemperatureSample& s) {
  if (!IsReadSample(s)) return;
  if (!samples_.empty() && seconds <= samples_.back().seconds) return;
  const double celsius = (s.upper_left + s.upper_right + s.lower_left + s.lower_right) / 40.0;
  samples_.push_back({seconds, celsius});
  const double start = seconds - thresholds_.window_s;
  while (samples_.size() > 1 && samples_[1].seconds <= start) samples_.pop_front();
}

WarmUpState WarmUpRule::State() const {
  if (samples_.size() < 2) return WarmUpState::kUnknown;
  const double span = samples_.back().seconds - samples_.front().seconds;
  if (span < 60 && span < thresholds_.window_s) return WarmUpState::kUnknown;
  double mean_t = 0, mean_c = 0;
  for (const Point& p : samples_) {
    mean_t += p.seconds;
    mean_c += p.celsius;
  }
  const double n = static_cast<double>(samples_.size());
  mean_t /= n;
  mean_c /= n;
  double cov = 0, var = 0;
  for (const Point& p : samples_) {
    cov += (p.seconds - mean_t) * (p.celsius - mean_c);
    var += (p.seconds - mean_t) * (p.seconds - mean_t);
  }
  const double per_minute = cov / var * 60;
  if (per_minute > thresholds_.rate_per_minute) return WarmUpState::kWarmingUp;
  return span >= thresholds_.window_s ? WarmUpState::kStable : WarmUpState::kUnknown;
}

}  // namespace kelvara
