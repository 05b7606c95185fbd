#pragma once
// Little-endian fields of the recording layout.
#include <cstdint>
#include <vector>

namespace kelvara {
namespace recording {

inline void PutLe(std::vector<unsigned char>* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<unsigned char>(v >> (8 * i)));
}
inline void PutLe(unsigned char* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline uint64_t GetLe(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

}  // namespace recording
}  // namespace kelvara
