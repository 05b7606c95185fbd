// The three stages on small fixtures, the camera's codes through all of
// them, and the flying-pixel test against the room scene's ground truth.
#include "filters/filter_chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "filters/testing/room_frames.h"

namespace kelvara {
namespace filters {
namespace {

constexpr float kCodeMark = -1.0f;

// A small frame from rows of ranges; kCodeMark is a code.
RangeFrame Fixture(const std::vector<std::vector<float>>& rows, float amplitude = 100.0f) {
  RangeFrame f;
  f.Resize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int r = 0; r < f.height; ++r)
    for (int c = 0; c < f.width; ++c) {
      const int i = r * f.width + c;
      f.range[i] = rows[r][c];
      f.amplitude[i] = amplitude;
      f.state[i] = rows[r][c] == kCodeMark ? kCode : kMeasured;
    }
  return f;
}

// Seven rows of the same profile.
RangeFrame Columns(const std::vector<float>& profile, float amplitude = 100.0f) {
  return Fixture(std::vector<std::vector<float>>(7, profile), amplitude);
}

std::vector<int> FlaggedColumnsOfRow(const RangeFrame& f, int r) {
  std::vector<int> columns;
  for (int c = 0; c < f.width; ++c)
    if (f.state[r * f.width + c] == kFlagged) columns.push_back(c);
  return columns;
}

TEST(FlyingPixels, FlagsThePixelBetweenTwoSurfacesOnly) {
  const float C = kCodeMark;
  const struct {
    const char* name;
    std::vector<float> profile;
    float amplitude;
    double noise_factor;
    std::vector<int> flagged;
  } kCases[] = {
      {"step with one mixed column", {1000, 1000, 1000, 1500, 2000, 2000, 2000}, 100, 4, {3}},
      {"mixed value on the near surface", {1000, 1000, 1000, 1010, 2000, 2000, 2000}, 100, 4, {}},
      {"jump below 2 % of the distance", {5000, 5000, 5000, 5080, 5160, 5160, 5160}, 100, 4, {}},
      {"a code behind the mixed pixel is no neighbour", {1000, 1000, 1000, 1500, C, 2000, 2000}, 100, 4, {}},
      {"surface at a grazing angle", {3000, 3200, 3400, 3600, 3800, 4000, 4200}, 100, 4, {}},
      {"mixed pixel at the frame's border", {1000, 1500, 2000, 2000, 2000, 2000, 2000}, 100, 4, {1}},
      {"weak return: within its noise", {1000, 1000, 1000, 1100, 1200, 1200, 1200}, 4, 4, {}},
      {"weak return, noise not counted", {1000, 1000, 1000, 1100, 1200, 1200, 1200}, 4, 0, {3}},
      {"two mixed columns", {1000, 1000, 1400, 1700, 2000, 2000, 2000}, 100, 4, {2, 3}},
  };
  for (const auto& k : kCases) {
    RangeFrame f = Columns(k.profile, k.amplitude);
    const RangeFrame before = f;
    FlyingSettings s;
    s.noise_factor = k.noise_factor;
    FlagFlyingPixels(s, NoiseLaw{}, &f);
    for (int r = 0; r < f.height; ++r) EXPECT_EQ(FlaggedColumnsOfRow(f, r), k.flagged) << k.name << ", row " << r;
    EXPECT_EQ(f.range, before.range) << k.name << ": flagged pixels keep their values";
  }
}

double Rms(const RangeFrame& f, float truth, int margin) {
  double sum = 0;
  int n = 0;
  for (int r = margin; r < f.height - margin; ++r)
    for (int c = margin; c < f.width - margin; ++c) {
      const double e = f.range[r * f.width + c] - truth;
      sum += e * e;
      ++n;
    }
  return std::sqrt(sum / n);
}

RangeFrame NoisyPatch(float distance, float amplitude, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<float> noise(0.0f, static_cast<float>(NoiseLaw{}.Sigma(amplitude)));
  RangeFrame f = Fixture(std::vector<std::vector<float>>(24, std::vector<float>(24, distance)), amplitude);
  for (float& d : f.range) d += noise(rng);
  return f;
}

TEST(SpatialSmoothing, FlatNoisyPatchGetsQuieterTheMoreTheNoisier) {
  for (float amplitude : {8.0f, 40.0f, 200.0f}) {
    RangeFrame f = NoisyPatch(3000, amplitude, 7);
    const double before = Rms(f, 3000, 2);
    SmoothSpatially(SpatialSettings{}, NoiseLaw{}, &f);
    EXPECT_LT(Rms(f, 3000, 2), before / 3) << amplitude;
  }
}

TEST(SpatialSmoothing, StepEdgesStaySharp) {
  const struct {
    const char* name;
    std::vector<float> profile;
  } kCases[] = {
      {"step", {1000, 1000, 1000, 1000, 2000, 2000, 2000, 2000}},
      {"step with a mixed column", {1000, 1000, 1000, 1500, 2000, 2000, 2000, 2000}},
      {"small step of 5 sigma", {1000, 1000, 1000, 1000, 1015, 1015, 1015, 1015}},
  };
  for (const auto& k : kCases) {
    RangeFrame f = Columns(k.profile);  // sigma 3 mm at amplitude 100
    SmoothSpatially(SpatialSettings{}, NoiseLaw{}, &f);
    for (int c = 0; c < f.width; ++c) EXPECT_FLOAT_EQ(f.range[3 * f.width + c], k.profile[c]) << k.name << " " << c;
  }
}

TEST(SpatialSmoothing, CodesAndFlaggedPixelsAreNeitherMovedNorUsed) {
  RangeFrame f = Columns({1000, 1000, 1000, 1000, 1000});
  f.range[3 * 5 + 2] = 1005;  // within the edge threshold of its neighbours
  f.state[3 * 5 + 2] = kFlagged;
  f.range[2 * 5 + 2] = 1004;
  f.state[2 * 5 + 2] = kCode;
  SmoothSpatially(SpatialSettings{}, NoiseLaw{}, &f);
  EXPECT_EQ(f.range[3 * 5 + 2], 1005);
  EXPECT_EQ(f.range[2 * 5 + 2], 1004);
  for (int i = 0; i < 35; ++i)
    if (f.state[i] == kMeasured) {
      EXPECT_FLOAT_EQ(f.range[i], 1000) << i;
    }
}

// A step edge that moves one column per frame: pixels it passes start
// afresh at once (no smear), pixels it leaves alone keep averaging.
TEST(TemporalAverage, MovingStepResetsWherePassedAndAveragesElsewhere) {
  std::mt19937 rng(3);
  std::normal_distribution<float> noise(0.0f, static_cast<float>(NoiseLaw{}.Sigma(20)));
  TemporalAverage average;
  const TemporalSettings settings;
  double static_sq = 0, raw_sq = 0;
  int static_n = 0;
  for (int frame = 0; frame < 40; ++frame) {
    const int edge = frame / 2;  // columns left of it are the near surface
    std::vector<float> truth(32);
    for (int c = 0; c < 32; ++c) truth[c] = c < edge ? 1500.0f : 3000.0f;
    RangeFrame f = Columns(truth, 20);
    for (float& d : f.range) d += noise(rng);
    const RangeFrame raw = f;
    average.Apply(settings, NoiseLaw{}, &f);
    for (int r = 0; r < f.height; ++r)
      for (int c = 0; c < f.width; ++c) {
        const int i = r * f.width + c;
        // Where the step just arrived, the output is the new value itself.
        if (c == edge - 1 && frame % 2 == 0) {
          ASSERT_EQ(f.range[i], raw.range[i]) << frame << "," << c;
        }
        ASSERT_NEAR(f.range[i], truth[c], 6 * NoiseLaw{}.Sigma(20)) << frame << "," << c << ": no smear";
        if (c >= 24 && frame >= 10) {
          static_sq += (f.range[i] - truth[c]) * (f.range[i] - truth[c]);
          raw_sq += (raw.range[i] - truth[c]) * (raw.range[i] - truth[c]);
          ++static_n;
        }
      }
  }
  EXPECT_LT(std::sqrt(static_sq / static_n), 0.5 * std::sqrt(raw_sq / static_n)) << "static RMS halved";
}

TEST(TemporalAverage, CodesPassAndRestartTheirPixel) {
  TemporalAverage average;
  for (float v : {1000.0f, 1010.0f, kCodeMark, 1020.0f}) {
    RangeFrame f = Fixture({{v}});
    average.Apply(TemporalSettings{}, NoiseLaw{}, &f);
    EXPECT_EQ(f.range[0], v == 1010.0f ? 1005.0f : v);
  }
}

TEST(FilterList, NamesAndMistakes) {
  const struct {
    const char* text;
    bool ok, flying, spatial, temporal;
  } kCases[] = {
      {"flying", true, true, false, false},
      {"temporal,flying", true, true, false, true},
      {"flying,spatial,temporal", true, true, true, true},
      {"", false, false, false, false},
      {"flying,", false, false, false, false},
      {"flying,,spatial", false, false, false, false},
      {"smooth", false, false, false, false},
      {"spatial,spatial", false, false, false, false},
  };
  for (const auto& k : kCases) {
    FilterSettings s;
    std::string error;
    ASSERT_EQ(ParseFilterList(k.text, &s, &error), k.ok) << k.text;
    EXPECT_EQ(error.empty(), k.ok) << k.text;
    if (!k.ok) continue;
    EXPECT_EQ(s.flying, k.flying) << k.text;
    EXPECT_EQ(s.spatial, k.spatial) << k.text;
    EXPECT_EQ(s.temporal, k.temporal) << k.text;
  }
}

// The pattern scene's special pixels of row 5 (the codes and the two range
// ends) come through every stage and the whole chain unchanged and unflagged.
TEST(FilterChain, PatternRowFiveComesThroughEveryStage) {
  const struct { const char* filters; } kCases[] = {{"flying"}, {"spatial"}, {"temporal"}, {"flying,spatial,temporal"}};
  for (const auto& k : kCases) {
    FilterSettings settings;
    std::string error;
    ASSERT_TRUE(ParseFilterList(k.filters, &settings, &error));
    FilterChain chain(settings);
    for (int format : {4, 5}) {
      std::vector<unsigned char> frame = pattern::Frame(format);
      std::vector<uint8_t> flags;
      for (int repeat = 0; repeat < 3; ++repeat) {
        if (format == 4) {
          chain.ApplyToPlanes(frame.data(), frame.data() + kPlane1Offset, &flags);
        } else {
          chain.ApplyToPoints(frame.data() + kPcdHeaderBytes, frame.data() + kPointAmplitudeOffset, kPixelCount,
                              &flags);
        }
      }
      const std::vector<unsigned char> original = pattern::Frame(format);
      for (int c = 0; c < 8; ++c) {
        const int i = 5 * kFrameWidth + c;
        const size_t at = format == 4 ? 2 * i : kPcdHeaderBytes + 6 * i;
        const size_t size = format == 4 ? 2 : 6;
        EXPECT_EQ(0, std::memcmp(frame.data() + at, original.data() + at, size))
            << k.filters << " " << format << " " << c;
        EXPECT_EQ(flags[i], 0) << k.filters << " " << format << " " << c;
      }
      // The amplitudes are never touched.
      const size_t amp = format == 4 ? kPlane1Offset : kPointAmplitudeOffset;
      EXPECT_EQ(0, std::memcmp(frame.data() + amp, original.data() + amp, kPlaneBytes)) << k.filters;
    }
  }
}

// The simulator knows which pixels it mixed: nearly all that float between
// their two surfaces are caught, nearly no pixel it did not mix is.
TEST(FilterChain, RoomSceneFlyingPixelsAgainstTheGroundTruth) {
  camsim::RoomScene room(5);
  testing::FlyingScore all;
  for (double t : {0.0, 2.5, 5.0, 7.5}) {
    testing::RoomFrame truth = testing::TakeRoomFrame(&room, t);
    RangeFrame f = truth.frame;
    FlagFlyingPixels(FlyingSettings{}, NoiseLaw{}, &f);
    const testing::FlyingScore s = testing::ScoreFlying(truth, f);
    all.floating += s.floating;
    all.floating_caught += s.floating_caught;
    all.valid += s.valid;
    all.valid_removed += s.valid_removed;
  }
  EXPECT_GT(all.floating, 300);
  EXPECT_GE(all.floating_share(), 0.95);
  EXPECT_LE(all.removed_share(), 0.001);
}

// Without mixed pixels and without noise the flying-pixel test has nothing
// to remove and changes no point; neither does the chain remove any.
TEST(FilterChain, FrameWithoutMixedPixelsLosesNoPoint) {
  camsim::RoomScene room(5, /*noise=*/false, /*mixed_pixels=*/false);
  camsim::CameraParameters p;
  p.format_code = kFormatCodes[5];
  const unsigned char* f = room.Frame(p, 1.0);
  const std::vector<unsigned char> original(f, f + kMeasurementFrameBytes);
  for (const char* filters : {"flying", "flying,spatial,temporal"}) {
    std::vector<unsigned char> frame = original;
    FilterSettings settings;
    std::string error;
    ASSERT_TRUE(ParseFilterList(filters, &settings, &error));
    FilterChain chain(settings);
    std::vector<uint8_t> flags;
    chain.ApplyToPoints(frame.data() + kPcdHeaderBytes, frame.data() + kPointAmplitudeOffset, kPixelCount, &flags);
    EXPECT_EQ(std::count(flags.begin(), flags.end(), 1), 0) << filters;
    if (!settings.spatial) {
      EXPECT_EQ(frame, original) << filters;
    }
  }
}

}  // namespace
}  // namespace filters
}  // namespace kelvara
