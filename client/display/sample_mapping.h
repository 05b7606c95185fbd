#pragma once
// How one sample becomes one pixel of a display image.
#include <cstdint>
#include <vector>

namespace kelvara {

// The display settings a mapping depends on (a snapshot of the model's).
struct MappingSettings {
  int range_min = 0;     // distance drawn with colour 0
  int range_max = 6250;  // distance drawn with colour 63
  int amp_gain = 1;      // factor applied to amplitude samples
  int saturation = 1;    // nonzero: saturation codes in the saturation colour
  int overflow = 1;      // nonzero: overflow codes in the overflow colour
};

// Distance word -> pixel: codes 30000 black, 31000 / 32000 in their colour
// when the flag is set; top bits 01 black, 11 saturation, 10 overflow; a
// distance d = v - range_min within 0..span takes colour
// max(0, 64 * d / span - 1), any other distance the out-of-range grey. With span 0 a sample equal to range_min takes
// colour 0; a negative span draws every distance black.
uint32_t MapDistance(int16_t v, const MappingSettings& s);

// Amplitude word -> pixel: 511 saturation, 510 overflow (each when its flag
// is set, else black), bit 8 set black, else grey level = low 8 bits of
// min(v * amp_gain, 255).
uint32_t MapAmplitude(int16_t v, const MappingSettings& s);

// A table of the pixel of every 16-bit sample, so that rendering costs one
// load per pixel. Rebuilt only when the settings it depends on change.
class SampleLookup {
 public:
  enum class Kind { kDistance, kAmplitude };
  explicit SampleLookup(Kind kind);

  // Rebuilds the table when `s` differs from the settings it was built with.
  void Update(const MappingSettings& s);
  // Maps `count` samples to pixels (after Update).
  void Map(const int16_t* samples, int count, uint32_t* pixels) const;
  uint32_t operator[](int16_t v) const { return table_[static_cast<uint16_t>(v)]; }

 private:
  bool SameSettings(const MappingSettings& s) const;

  Kind kind_;
  bool built_ = false;
  MappingSettings built_with_;
  std::vector<uint32_t> table_;  // 65536 entries, indexed by the sample's 16-bit word
};

}  // namespace kelvara
