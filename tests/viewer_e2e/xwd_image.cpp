#include "tests/viewer_e2e/xwd_image.h"

namespace kelvara {
namespace testing {
namespace {

uint32_t Big32(const std::string& b, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3]));
}

// Scales a masked channel to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  uint32_t max = mask >> shift;
  return ((pixel & mask) >> shift) * 255u / max;
}

}  // namespace

bool ParseXwd(const std::string& b, RgbImage* image) {
  if (b.size() < 100) return false;
  auto field = [&](int i) { return Big32(b, static_cast<size_t>(4 * i)); };
  const uint32_t header_size = field(0);
  const uint32_t version = field(1);
  const uint32_t format = field(2);  // 2: ZPixmap
  const uint32_t width = field(4), height = field(5);
  const uint32_t byte_order = field(7);  // 0: least significant byte first
  const uint32_t bits_per_pixel = field(11), bytes_per_line = field(12);
  const uint32_t red = field(14), green = field(15), blue = field(16);
  const uint32_t colours = field(19);
  if (version != 7 || format != 2 || (bits_per_pixel != 32 && bits_per_pixel != 24)) return false;
  const size_t data = static_cast<size_t>(header_size) + static_cast<size_t>(colours) * 12;
  if (width == 0 || height == 0 || b.size() < data + static_cast<size_t>(bytes_per_line) * height) return false;

  const uint32_t bytes = bits_per_pixel / 8;
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pixels.assign(static_cast<size_t>(width) * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      size_t at = data + static_cast<size_t>(y) * bytes_per_line + static_cast<size_t>(x) * bytes;
      uint32_t pixel = 0;
      for (uint32_t k = 0; k < bytes; ++k) {
        uint32_t byte = static_cast<uint8_t>(b[at + k]);
        pixel |= byte_order == 0 ? byte << (8 * k) : byte << (8 * (bytes - 1 - k));
      }
      image->pixels[static_cast<size_t>(y) * width + x] =
          (Channel(pixel, red) << 16) | (Channel(pixel, green) << 8) | Channel(pixel, blue);
    }
  }
  return true;
}

}  // namespace testing
}  // namespace kelvara
