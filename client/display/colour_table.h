#pragma once
// The colours of the display images: pixel words 0x00RRGGBB.
#include <cstdint>

namespace kelvara {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

constexpr uint32_t kBlack = Rgb(0, 0, 0);  // no value
constexpr uint32_t kSaturationColour = Rgb(255, 0, 128);
constexpr uint32_t kOverflowColour = Rgb(169, 14, 255);
constexpr uint32_t kOutOfRangeColour = Rgb(128, 128, 128);  // a distance outside the view range

// Distance colours, index 0 at the near end of the range, 63 at the far end
// (dark red, red, yellow, cyan, blue, dark blue). Fixed values, unequal steps
// included; not computed at run time.
constexpr int kDistanceColourCount = 64;
constexpr uint32_t kDistanceColours[kDistanceColourCount] = {
    Rgb(128, 0, 0),     Rgb(144, 0, 0),     Rgb(160, 0, 0),     Rgb(176, 0, 0),     Rgb(192, 0, 0),
    Rgb(208, 0, 0),     Rgb(225, 0, 0),     Rgb(241, 0, 0),     Rgb(255, 2, 0),     Rgb(255, 18, 0),
    Rgb(255, 34, 0),    Rgb(255, 51, 0),    Rgb(255, 67, 0),    Rgb(255, 83, 0),    Rgb(255, 99, 0),
    Rgb(255, 115, 0),   Rgb(255, 132, 0),   Rgb(255, 148, 0),   Rgb(255, 164, 0),   Rgb(255, 180, 0),
    Rgb(255, 196, 0),   Rgb(255, 212, 0),   Rgb(255, 229, 0),   Rgb(255, 245, 0),   Rgb(249, 255, 6),
    Rgb(233, 255, 22),  Rgb(217, 255, 38),  Rgb(200, 255, 55),  Rgb(184, 255, 71),  Rgb(168, 255, 87),
    Rgb(152, 255, 103), Rgb(136, 255, 119), Rgb(119, 255, 136), Rgb(103, 255, 152), Rgb(87, 255, 168),
    Rgb(71, 255, 184),  Rgb(55, 255, 200),  Rgb(38, 255, 217),  Rgb(22, 255, 233),  Rgb(6, 255, 249),
    Rgb(0, 245, 255),   Rgb(0, 229, 255),   Rgb(0, 213, 255),   Rgb(0, 196, 255),   Rgb(0, 180, 255),
    Rgb(0, 164, 255),   Rgb(0, 148, 255),   Rgb(0, 132, 255),   Rgb(0, 115, 255),   Rgb(0, 99, 255),
    Rgb(0, 83, 255),    Rgb(0, 67, 255),    Rgb(0, 51, 255),    Rgb(0, 34, 255),    Rgb(0, 18, 255),
    Rgb(0, 2, 255),     Rgb(0, 0, 241),     Rgb(0, 0, 225),     Rgb(0, 0, 208),     Rgb(0, 0, 192),
    Rgb(0, 0, 176),     Rgb(0, 0, 160),     Rgb(0, 0, 144),     Rgb(0, 0, 128),
};

}  // namespace kelvara
