#include "depth_palette.h"

#include <cmath>

namespace kelvara {
namespace viewer {

const uint32_t DepthPalette[64] = {
    0x000080, 0x000090, 0x0000A0, 0x0000B0, 0x0000C0, 0x0000D0, 0x0000E1, 0x0000F1,
    0x0002FF, 0x0012FF, 0x0022FF, 0x0033FF, 0x0043FF, 0x0053FF, 0x0063FF, 0x0073FF,
    0x0084FF, 0x0094FF, 0x00A4FF, 0x00B4FF, 0x00C4FF, 0x00D4FF, 0x00E5FF, 0x00F5FF,
    0x06FFF9, 0x16FFE9, 0x26FFD9, 0x37FFC8, 0x47FFB8, 0x57FFA8, 0x67FF98, 0x77FF88,
    0x88FF77, 0x98FF67, 0xA8FF57, 0xB8FF47, 0xC8FF37, 0xD9FF26, 0xE9FF16, 0xF9FF06,
    0xFFF500, 0xFFE500, 0xFFD500, 0xFFC400, 0xFFB400, 0xFFA400, 0xFF9400, 0xFF8400,
    0xFF7300, 0xFF6300, 0xFF5300, 0xFF4300, 0xFF3300, 0xFF2200, 0xFF1200, 0xFF0200,
    0xF10000, 0xE10000, 0xD00000, 0xC00000, 0xB00000, 0xA00000, 0x900000, 0x800000,
};

int colorIndex(int value, int colorMin, int colorMax) {
  if (colorMax == colorMin) return 0;
  // In double precision, so that no difference overflows; the index is
  // clamped before it becomes an integer again.
  double i = std::trunc((static_cast<double>(value) - colorMin) * 63 /
                        (static_cast<double>(colorMax) - colorMin));
  if (i >= 63) return 0;
  if (i <= 0) return 63;
  return 63 - static_cast<int>(i);
}

}  // namespace viewer
}  // namespace kelvara
