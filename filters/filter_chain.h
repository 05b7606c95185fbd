#pragma once
// Filters over one frame of distances: flying pixels, edge-preserving
// smoothing and a temporal average, each off until switched on, applied in
// that order. They work on ranges (distances along the pixel's ray): the
// distance plane of a plane frame, or the length of each point record of a
// point frame, whose point then moves along its own ray.
//
// The camera's codes (no data, saturation, overflow, any distance outside
// 0..12499, any amplitude word with bit 8 set) pass every stage unchanged
// and are never anyone's neighbour. Flagged flying pixels keep their values;
// the caller decides what a flag means (a NaN point, a dropped point).
#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "filters/noise_law.h"

namespace kelvara {
namespace filters {

struct FlyingSettings {
  // A pixel differing from a nearer and a farther neighbour by more than
  // max(min_jump_mm, relative_jump * distance, noise_factor * sigma(a)).
  double min_jump_mm = 15.0;
  double relative_jump = 0.02;
  double noise_factor = 4.0;  // 0: the jump does not grow with the noise
};
// That jump for a pixel at distance d (mm) with amplitude a.
double FlyingJump(const FlyingSettings& s, const NoiseLaw& law, double d, double a);

struct SpatialSettings {
  // Half width of the smoothing window in pixels (a row pass, then a column
  // pass); neighbours further than edge_factor * sigma(a) are another surface.
  int radius = 2;
  double edge_factor = 3.5;
};

struct TemporalSettings {
  // The average forgets at this rate once it has 1 / alpha frames; it
  // starts afresh when a new value leaves it by more than
  // reset_factor * sigma(a).
  double alpha = 0.25;
  double reset_factor = 4.0;
};

struct FilterSettings {
  bool flying = false;
  bool spatial = false;
  bool temporal = false;
  NoiseLaw noise;
  FlyingSettings flying_settings;
  SpatialSettings spatial_settings;
  TemporalSettings temporal_settings;
  bool any() const { return flying || spatial || temporal; }
};

// "flying,spatial,temporal" or any subset, in any order (they always run in
// that order). False with a reason for an unknown or repeated name.
bool ParseFilterList(const std::string& text, FilterSettings* settings, std::string* error);

// One frame as the stages see it.
struct RangeFrame {
  int width = 0, height = 0;
  std::vector<float> range;      // mm along the ray
  std::vector<float> amplitude;  // 0..255; kUnknownAmplitude when the frame has none
  std::vector<uint8_t> state;    // PixelState
  void Resize(int w, int h);
};

enum PixelState : uint8_t { kMeasured = 0, kCode = 1, kFlagged = 2 };
// Amplitude used for a pixel whose frame carries none: the noise law then
// gives the noise of a middling return.
constexpr float kUnknownAmplitude = 64.0f;

// A frame of 320 x 240 pixels as ranges: a plane frame's distance and
// amplitude words (amplitude may be null), or point records (x, y, z) with
// amplitude words for the first `amplitude_pixels` pixels. Words are
// little-endian as the camera sends them.
void RangesFromPlanes(const unsigned char* distance_words, const unsigned char* amplitude_words, RangeFrame* f);
void RangesFromPoints(const unsigned char* records, const unsigned char* amplitude_words, int amplitude_pixels,
                      RangeFrame* f);

// The three stages on their own. Only kMeasured pixels take part.
void FlagFlyingPixels(const FlyingSettings& s, const NoiseLaw& law, RangeFrame* frame);
void SmoothSpatially(const SpatialSettings& s, const NoiseLaw& law, RangeFrame* frame);

class TemporalAverage {
 public:
  void Apply(const TemporalSettings& s, const NoiseLaw& law, RangeFrame* frame);
  void Reset() { mean_.clear(); }

 private:
  std::vector<float> mean_;
  std::vector<float> frames_;  // frames in the mean, 0 = none
};

class FilterChain {
 public:
  explicit FilterChain(const FilterSettings& settings) : settings_(settings) {}
  const FilterSettings& settings() const { return settings_; }

  void Apply(RangeFrame* frame);

  // Plane frame: little-endian distance and amplitude words of 320 x 240
  // pixels (amplitude may be null). Filtered distances are written back;
  // flags[i] (76800 entries) is 1 for a flying pixel.
  void ApplyToPlanes(unsigned char* distance_words, const unsigned char* amplitude_words, std::vector<uint8_t>* flags);
  // Point frame: 76800 records of x, y, z (little-endian signed 16-bit mm),
  // amplitude words for the first `amplitude_pixels` pixels.
  void ApplyToPoints(unsigned char* records, const unsigned char* amplitude_words, int amplitude_pixels,
                     std::vector<uint8_t>* flags);

  // Forgets the frames seen so far (a new recording, a jump in time).
  void Reset() { temporal_.Reset(); }

 private:
  FilterSettings settings_;
  TemporalAverage temporal_;
  RangeFrame work_;
};

// True for a distance word that is a measurement, not a code.
inline bool IsMeasuredDistance(int d) { return d >= 0 && d <= kMaxDistanceMm; }
// True for an amplitude word that is an amplitude.
inline bool IsAmplitude(int a) { return a >= 0 && a <= 255; }

}  // namespace filters
}  // namespace kelvara
