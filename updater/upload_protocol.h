#pragma once
// The table upload on the camera link: three commands outside the client's
// command set, each one request and one response (status 0 = accepted).
//
//   0xE0 begin  payload: address (32-bit BE), table size (32-bit BE)
//   0xE1 block  payload: offset (32-bit BE), then 1..4096 table bytes
//   0xE2 end    payload: CRC-32 of the whole table (32-bit BE)
//
// The camera takes the table at address 0x10000000 only, 1 byte to 16 MiB,
// blocks strictly in order (a repeat of the last block is accepted again, so
// that a lost response can be retried), and keeps it when the end's CRC-32
// (IEEE 802.3, as zlib computes it) matches what it received.
#include <cstddef>
#include <cstdint>

namespace kelvara {
namespace upload {

constexpr uint8_t kBegin = 0xE0;
constexpr uint8_t kBlock = 0xE1;
constexpr uint8_t kEnd = 0xE2;
constexpr uint32_t kTableAddress = 0x10000000;
constexpr uint32_t kMaxTableBytes = 16u * 1024 * 1024;
constexpr int kMaxBlockBytes = 4096;
constexpr int kResponseTimeoutMs = 1000;

// Continues a CRC-32 over `n` more bytes; start with crc = 0.
uint32_t Crc32(uint32_t crc, const unsigned char* data, size_t n);

inline uint32_t ReadBigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline void WriteBigEndian32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

}  // namespace upload
}  // namespace kelvara
