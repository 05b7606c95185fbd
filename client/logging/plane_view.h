#pragma once
// A read-only view of 76800 little-endian signed 16-bit samples in pixel
// order, taken straight from camera bytes: a plane (stride 2) or one field
// of the 6-byte point records (stride 6). The bytes need no alignment.
#include <cstdint>

namespace kelvara {

struct PlaneView {
  const unsigned char* bytes = nullptr;  // sample 0
  int stride = 2;                        // bytes from one sample to the next

  int16_t At(int index) const {
    const unsigned char* p = bytes + static_cast<long>(index) * stride;
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
  }
};

// Column and row reversal of logged planes (the picture window's flips).
struct Mirror {
  bool x = false;  // columns from 319 down to 0
  bool y = false;  // rows from 239 down to 0
};

}  // namespace kelvara
