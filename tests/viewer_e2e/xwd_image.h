#pragma once
// Reads a window dump in the X Window Dump format (as written by xwd) into
// 0x00RRGGBB pixels. Only true-colour dumps of 24 or 32 bits per pixel.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvara {
namespace testing {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // row 0 at the top
};

// False when the bytes are no such dump.
bool ParseXwd(const std::string& bytes, RgbImage* image);

}  // namespace testing
}  // namespace kelvara
