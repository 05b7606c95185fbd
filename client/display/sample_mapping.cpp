#include "display/sample_mapping.h"

#include "display/colour_table.h"
#include "frame/frame_layout.h"

namespace kelvara {
namespace {

// Inline bodies, so that filling a lookup table does not call per entry.
inline uint32_t DistancePixel(int16_t v, const MappingSettings& s) {
  if (v == DIST_NO_DATA) return kBlack;
  if (v == DIST_SATURATION) return s.saturation ? kSaturationColour : kBlack;
  if (v == DIST_OVERFLOW) return s.overflow ? kOverflowColour : kBlack;
  switch (static_cast<uint16_t>(v) >> 14) {
    case 1: return kBlack;             // invalid
    case 3: return kSaturationColour;  // -16384..-1, whatever the flag says
    case 2: return kOverflowColour;    // -32768..-16385, whatever the flag says
    default: break;
  }
  // 64-bit, so that any range from the profile neither overflows nor divides by 0.
  const int64_t d = int64_t{v} - s.range_min;
  const int64_t span = int64_t{s.range_max} - s.range_min;
  // Outside the view range: grey, told apart from "no data" (black).
  if (d < 0 || d > span) return kOutOfRangeColour;
  if (span == 0) return kDistanceColours[0];
  const int64_t k = 64 * d / span - 1;
  return kDistanceColours[k < 0 ? 0 : k];
}

inline uint32_t AmplitudePixel(int16_t v, const MappingSettings& s) {
  if (v == AMP_SATURATION) return s.saturation ? kSaturationColour : kBlack;
  if (v == AMP_OVERFLOW) return s.overflow ? kOverflowColour : kBlack;
  if (v & 0x100) return kBlack;
  int64_t g = int64_t{v} * s.amp_gain;  // 64-bit: no overflow for any gain
  if (g > 255) g = 255;
  const uint32_t grey = static_cast<uint32_t>(g) & 0xFF;  // low eight bits
  return Rgb(grey, grey, grey);
}

template <typename Mapping>
void Fill(std::vector<uint32_t>& table, Mapping map) {
  for (int word = 0; word < 65536; ++word) table[word] = map(static_cast<int16_t>(static_cast<uint16_t>(word)));
}

}  // namespace

uint32_t MapDistance(int16_t v, const MappingSettings& s) { return DistancePixel(v, s); }
uint32_t MapAmplitude(int16_t v, const MappingSettings& s) { return AmplitudePixel(v, s); }

SampleLookup::SampleLookup(Kind kind) : kind_(kind), table_(65536) {}

bool SampleLookup::SameSettings(const MappingSettings& s) const {
  const MappingSettings& b = built_with_;
  if (s.saturation != b.saturation || s.overflow != b.overflow) return false;
  if (kind_ == Kind::kAmplitude) return s.amp_gain == b.amp_gain;
  return s.range_min == b.range_min && s.range_max == b.range_max;
}

void SampleLookup::Update(const MappingSettings& s) {
  if (built_ && SameSettings(s)) return;
  if (kind_ == Kind::kDistance) Fill(table_, [&s](int16_t v) { return DistancePixel(v, s); });
  else Fill(table_, [&s](int16_t v) { return AmplitudePixel(v, s); });
  built_with_ = s;
  built_ = true;
}

void SampleLookup::Map(const int16_t* samples, int count, uint32_t* pixels) const {
  const uint32_t* table = table_.data();
  for (int i = 0; i < count; ++i) pixels[i] = table[static_cast<uint16_t>(samples[i])];
}

}  // namespace kelvara
