#include "recording/crc32.h"

#include <zlib.h>

namespace kelvara {
namespace recording {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
  // zlib answers a null buffer with the initial value, not `crc`.
  if (size == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), size));
}

}  // namespace recording
}  // namespace kelvara
