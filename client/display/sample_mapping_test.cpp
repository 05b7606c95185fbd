// The colour table and the two sample mappings, against literal values.
#include "display/sample_mapping.h"

#include <gtest/gtest.h>

#include <climits>

#include "display/colour_table.h"

namespace kelvara {
namespace {

struct Colour {
  int r, g, b;
};
uint32_t Word(Colour c) { return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | uint32_t(c.b); }

TEST(ColourTable, HoldsTheListedColours) {
  const Colour listed[64] = {
      {128, 0, 0},     {144, 0, 0},     {160, 0, 0},     {176, 0, 0},     {192, 0, 0},    {208, 0, 0},
      {225, 0, 0},     {241, 0, 0},     {255, 2, 0},     {255, 18, 0},    {255, 34, 0},   {255, 51, 0},
      {255, 67, 0},    {255, 83, 0},    {255, 99, 0},    {255, 115, 0},   {255, 132, 0},  {255, 148, 0},
      {255, 164, 0},   {255, 180, 0},   {255, 196, 0},   {255, 212, 0},   {255, 229, 0},  {255, 245, 0},
      {249, 255, 6},   {233, 255, 22},  {217, 255, 38},  {200, 255, 55},  {184, 255, 71}, {168, 255, 87},
      {152, 255, 103}, {136, 255, 119}, {119, 255, 136}, {103, 255, 152}, {87, 255, 168}, {71, 255, 184},
      {55, 255, 200},  {38, 255, 217},  {22, 255, 233},  {6, 255, 249},   {0, 245, 255},  {0, 229, 255},
      {0, 213, 255},   {0, 196, 255},   {0, 180, 255},   {0, 164, 255},   {0, 148, 255},  {0, 132, 255},
      {0, 115, 255},   {0, 99, 255},    {0, 83, 255},    {0, 67, 255},    {0, 51, 255},   {0, 34, 255},
      {0, 18, 255},    {0, 2, 255},     {0, 0, 241},     {0, 0, 225},     {0, 0, 208},    {0, 0, 192},
      {0, 0, 176},     {0, 0, 160},     {0, 0, 144},     {0, 0, 128},
  };
  for (int i = 0; i < 64; ++i) EXPECT_EQ(kDistanceColours[i], Word(listed[i])) << "index " << i;
  EXPECT_EQ(kDistanceColours[21], 0xFFD400u);  // (255, 212, 0)
  EXPECT_EQ(kDistanceColours[42], 0x00D5FFu);  // (0, 213, 255)
  EXPECT_EQ(kSaturationColour, 0xFF0080u);
  EXPECT_EQ(kOverflowColour, 0xA90EFFu);
}

MappingSettings Settings(int min, int max, int sat = 1, int ovf = 1, int gain = 1) {
  MappingSettings s;
  s.range_min = min;
  s.range_max = max;
  s.saturation = sat;
  s.overflow = ovf;
  s.amp_gain = gain;
  return s;
}

TEST(MapDistance, CodesClassesAndRangeEdges) {
  const uint32_t sat = kSaturationColour, ovf = kOverflowColour, black = 0, out = kOutOfRangeColour;
  const uint32_t* table = kDistanceColours;
  struct Case {
    int v;
    MappingSettings s;
    uint32_t pixel;
  };
  const Case cases[] = {
      // Default range 0..6250: the scale is shifted by one step.
      {0, Settings(0, 6250), table[0]},
      {195, Settings(0, 6250), table[0]},
      {196, Settings(0, 6250), table[1]},
      {3125, Settings(0, 6250), table[31]},
      {6249, Settings(0, 6250), table[62]},
      {6250, Settings(0, 6250), table[63]},
      {6251, Settings(0, 6250), out},
      {400, Settings(0, 6250), table[3]},
      // Range edges away from 0.
      {99, Settings(100, 200), out},
      {100, Settings(100, 200), table[0]},
      {200, Settings(100, 200), table[63]},
      {201, Settings(100, 200), out},
      {16383, Settings(0, 16383), table[63]},
      // Codes and flags.
      {30000, Settings(0, 32767), black},
      {31000, Settings(0, 6250), sat},
      {31000, Settings(0, 6250, 0, 1), black},
      {32000, Settings(0, 6250), ovf},
      {32000, Settings(0, 6250, 1, 0), black},
      // Top bits: 01 black, 11 saturation and 10 overflow whatever the flags.
      {20000, Settings(0, 32767), black},
      {16384, Settings(0, 32767), black},
      {-1, Settings(0, 6250, 0, 0), sat},
      {-16384, Settings(0, 6250, 0, 0), sat},
      {-16385, Settings(0, 6250, 0, 0), ovf},
      {-32768, Settings(0, 6250, 0, 0), ovf},
      // Span 0: only RangeMin itself is in range, drawn with colour 0.
      {500, Settings(500, 500), table[0]},
      {499, Settings(500, 500), out},
      {501, Settings(500, 500), out},
      // Negative span: nothing is in range (grey); codes keep their colours.
      {550, Settings(600, 500), out},
      {600, Settings(600, 500), out},
      {500, Settings(600, 500), out},
      {31000, Settings(600, 500), sat},
      // Extreme ranges from the profile neither overflow nor fail.
      {0, Settings(INT_MIN, INT_MAX), table[31]},
      {16383, Settings(-1, INT_MAX), table[0]},
      {0, Settings(INT_MAX, INT_MIN), out},
  };
  for (const Case& k : cases)
    EXPECT_EQ(MapDistance(static_cast<int16_t>(k.v), k.s), k.pixel)
        << "v " << k.v << " range " << k.s.range_min << ".." << k.s.range_max;
}

TEST(MapAmplitude, CodesGainAndLowByte) {
  const uint32_t sat = kSaturationColour, ovf = kOverflowColour, black = 0;
  auto grey = [](uint32_t g) { return (g << 16) | (g << 8) | g; };
  struct Case {
    int v;
    MappingSettings s;
    uint32_t pixel;
  };
  const Case cases[] = {
      {200, Settings(0, 0, 1, 1, 2), grey(255)},
      {100, Settings(0, 0), grey(100)},
      {255, Settings(0, 0), grey(255)},
      {0, Settings(0, 0), black},
      {127, Settings(0, 0, 1, 1, 2), grey(254)},
      {100, Settings(0, 0, 1, 1, 0), black},
      {256, Settings(0, 0), black},
      {300, Settings(0, 0), black},
      {510, Settings(0, 0), ovf},
      {510, Settings(0, 0, 1, 0), black},
      {511, Settings(0, 0), sat},
      {511, Settings(0, 0, 0, 1), black},
      // Negative products keep their low eight bits.
      {10, Settings(0, 0, 1, 1, -1), grey(246)},
      {-257, Settings(0, 0), grey(255)},
      {-2, Settings(0, 0), black},  // 0xFFFE: bit 8 set
      // A huge gain saturates at 255 instead of overflowing.
      {32511, Settings(0, 0, 1, 1, INT_MAX), grey(255)},
  };
  for (const Case& k : cases)
    EXPECT_EQ(MapAmplitude(static_cast<int16_t>(k.v), k.s), k.pixel) << "v " << k.v << " gain " << k.s.amp_gain;
}

TEST(SampleLookup, FollowsTheMappingAsSettingsChange) {
  SampleLookup distance(SampleLookup::Kind::kDistance);
  SampleLookup amplitude(SampleLookup::Kind::kAmplitude);
  const MappingSettings steps[] = {Settings(0, 6250), Settings(100, 4000, 0, 0, 3), Settings(500, 500, 1, 0, 1),
                                   Settings(100, 4000, 1, 1, -2)};
  for (const MappingSettings& s : steps) {
    distance.Update(s);
    amplitude.Update(s);
    int wrong = 0;
    for (int w = 0; w < 65536; ++w) {
      const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(w));
      wrong += distance[v] != MapDistance(v, s);
      wrong += amplitude[v] != MapAmplitude(v, s);
    }
    EXPECT_EQ(wrong, 0) << "range " << s.range_min << ".." << s.range_max;
  }
}

}  // namespace
}  // namespace kelvara
