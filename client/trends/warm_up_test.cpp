#include "trends/warm_up.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kelvara {
namespace {

// The imager's temperature in tenths of a degree at every corner (the mean
// is then the same value) and the LED a little cooler.
TemperatureSample Sample(int tenths) {
  TemperatureSample s;
  s.upper_left = s.upper_right = s.lower_left = s.lower_right = static_cast<int16_t>(tenths);
  s.led = static_cast<int16_t>(tenths - 20);
  return s;
}

struct Series {
  const char* name;
  double step_s;            // the fake clock's step between samples
  std::vector<int> tenths;  // imager temperatures in order
  WarmUpState expected;
};

// Ramps of `count` samples, one a second from `from` tenths, rising
// `per_minute` tenths per minute.
std::vector<int> Ramp(int count, int from, double per_minute) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(from + static_cast<int>(per_minute * i / 60.0 + 0.5));
  return out;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(WarmUpRuleTest, StateOverTemperatureSeries) {
  const std::vector<Series> cases = {
      {"nothing yet", 1, {}, WarmUpState::kUnknown},
      {"half a minute of a steep rise", 1, Ramp(30, 250, 20), WarmUpState::kUnknown},
      {"a minute of a steep rise", 1, Ramp(61, 250, 20), WarmUpState::kWarmingUp},
      {"flat for a minute: too short to call stable", 1, Ramp(90, 300, 0), WarmUpState::kUnknown},
      {"flat for two minutes", 1, Ramp(121, 300, 0), WarmUpState::kStable},
      {"0.2 degrees a minute for three minutes", 1, Ramp(181, 300, 2), WarmUpState::kWarmingUp},
      {"0.05 degrees a minute for three minutes", 1, Ramp(181, 300, 0.5), WarmUpState::kStable},
      {"cooling down", 1, Ramp(181, 400, -5), WarmUpState::kStable},
      {"warm-up, then two flat minutes", 1, Join(Ramp(600, 250, 10), Ramp(121, 350, 0)), WarmUpState::kStable},
      {"warm-up, then one flat minute", 1, Join(Ramp(600, 250, 10), Ramp(60, 350, 0)), WarmUpState::kWarmingUp},
      {"stable, then a new rise", 1, Join(Ramp(300, 300, 0), Ramp(120, 300, 5)), WarmUpState::kWarmingUp},
      {"one sample each 10 s, flat", 10, Ramp(13, 300, 0), WarmUpState::kStable},
      {"one sample each 10 s, rising",
       10,
       {300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312},
       WarmUpState::kWarmingUp},
      {"0.1 degree noise on a flat line", 1,
       [] {
         std::vector<int> v;
         for (int i = 0; i < 200; ++i) v.push_back(300 + (i % 2));
         return v;
       }(),
       WarmUpState::kStable},
  };
  for (const Series& c : cases) {
    WarmUpRule rule;
    double clock = 1000;
    for (int t : c.tenths) {
      rule.Add(clock, Sample(t));
      clock += c.step_s;
    }
    EXPECT_EQ(rule.State(), c.expected) << c.name;
  }
}

TEST(WarmUpRuleTest, SamplesNotReadAreLeftOut) {
  WarmUpRule rule;
  TemperatureSample not_read = Sample(900);
  not_read.sampled = -1;
  for (int i = 0; i <= 121; ++i) {
    rule.Add(i, i % 2 ? Sample(300) : (i % 4 ? TemperatureSample{} : not_read));
  }
  // Only the flat 30.0 degrees counted: neither the zeros of a sample never
  // filled nor the 90 degrees of one not read.
  EXPECT_EQ(rule.State(), WarmUpState::kStable);
  rule.Reset();
  EXPECT_EQ(rule.State(), WarmUpState::kUnknown);
}

TEST(WarmUpRuleTest, ThresholdsComeFromTheProfile) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "kelvara_warm_up_test.ini";
  struct Case {
    const char* text;
    double rate;
    double window;
  };
  const Case cases[] = {
      {"", 0.1, 120},
      {"[Trends]\nWarmUpRate=0.5\nWarmUpWindow=300\n", 0.5, 300},
      {"[Trends]\nWarmUpRate=fast\nWarmUpWindow=5\n", 0.1, 120},
      {"[Trends]\nWarmUpRate=0.2x\nWarmUpWindow=-1\n", 0.1, 120},
  };
  for (const Case& c : cases) {
    std::ofstream(path) << c.text;
    const WarmUpThresholds t = LoadWarmUpThresholds(Profile(path.string()));
    EXPECT_DOUBLE_EQ(t.rate_per_minute, c.rate) << c.text;
    EXPECT_DOUBLE_EQ(t.window_s, c.window) << c.text;
  }
  std::filesystem::remove(path);

  // A slower rate threshold from the profile calls a gentle rise stable.
  WarmUpRule strict, lenient({0.5, 120});
  for (int i = 0; i <= 180; ++i) {
    strict.Add(i, Sample(300 + i * 3 / 60));
    lenient.Add(i, Sample(300 + i * 3 / 60));
  }
  EXPECT_EQ(strict.State(), WarmUpState::kWarmingUp);
  EXPECT_EQ(lenient.State(), WarmUpState::kStable);
}

TEST(WarmUpRuleTest, Texts) {
  EXPECT_STREQ(WarmUpText(WarmUpState::kWarmingUp), "Warming up");
  EXPECT_STREQ(WarmUpText(WarmUpState::kStable), "Stable");
  EXPECT_STREQ(WarmUpText(WarmUpState::kUnknown), "--");
}

}  // namespace
}  // namespace kelvara
