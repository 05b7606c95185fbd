#pragma once
// CRC-32 (IEEE, zlib's) for the checksums of a recording.
#include <cstddef>
#include <cstdint>

namespace kelvara {
namespace recording {

// Continues `crc` (0 to start) over `size` bytes.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

}  // namespace recording
}  // namespace kelvara
