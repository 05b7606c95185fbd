#include "updater/upload_protocol.h"

#include <zlib.h>

namespace kelvara {
namespace upload {

uint32_t Crc32(uint32_t crc, const unsigned char* data, size_t n) {
  // zlib answers a null buffer with the initial value, not `crc`.
  if (n == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, data, n));
}

}  // namespace upload
}  // namespace kelvara
