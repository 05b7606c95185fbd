#pragma once
// The viewer's 64-colour distance palette (0x00RRGGBB): index 0 dark blue
// for the far end of the colour range, through cyan, green and yellow, to
// index 63 dark red for the near end.
#include <cstdint>

namespace kelvara {
namespace viewer {

extern const uint32_t DepthPalette[64];

// Palette index of a value within the colour range: 63 at colorMin, 0 at
// colorMax, clamped to 0..63 outside; 0 when the range is a single value.
int colorIndex(int value, int colorMin, int colorMax);

}  // namespace viewer
}  // namespace kelvara
