#pragma once
// The records of the camera's command set, as the client holds them in host
// values, and the big-endian field helpers of its requests and replies. The
// commands themselves are CameraLink's methods (camera_link.h).
#include <cstdint>
#include <vector>

#include "camera_facts/command_codes.h"
#include "link/command_exchange.h"

namespace kelvara {

struct VersionReply {
  int major = 0;
  int minor = 0;
  int revision = 0;
  uint32_t build = 0;
};

struct ExposureRecord {
  int exposure_us = 0;         // 16-bit on the wire
  int frame_rate_limiter = 0;  // 1 byte, frames per second
};

struct RotationRecord {
  int x = 0, y = 0, z = 0;  // degrees, 16-bit each
};

struct ResponseSpeedRecord {
  int data_size_kb = 0;  // 1 byte
  int interval_us = 0;   // 16-bit
};

// The camera's per-pixel angle table, split into its two planes of 76800
// little-endian 16-bit values in pixel order.
struct ThetaPhiTable {
  std::vector<uint16_t> theta;
  std::vector<uint16_t> phi;
};

// Chip temperatures upper-left, upper-right, lower-left, lower-right, in
// tenths of a degree Celsius.
struct ImagerTemperatures {
  int16_t values[4] = {0, 0, 0, 0};
};

// Big-endian field helpers shared by the encoders and decoders.
inline int16_t ReadBigEndian16(const unsigned char* p) {
  return static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1]));
}
inline void WriteBigEndian16(unsigned char* p, int value) {
  p[0] = static_cast<unsigned char>((value >> 8) & 0xFF);
  p[1] = static_cast<unsigned char>(value & 0xFF);
}

}  // namespace kelvara
