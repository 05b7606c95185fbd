#pragma once
// The layout of a recording: one file that holds a whole measurement as the
// camera delivered it, so that it can be replayed as a camera later.
//
//   file header   "KVRECORD", layout version, header body length, header
//                 body, CRC-32 of everything before it
//   header body   format code, wall-clock start, then the camera's replies
//                 read at connect (version, angle table, parameter gets), each
//                 as command code + payload exactly as received
//   records       one per received frame (and per temperature reading):
//                 payload length, kind, receive time, payload, CRC-32
//
// All numbers are little-endian. A record is appended with one write and
// carries its own length and checksum, so a file cut anywhere (power loss,
// kill -9) still reads up to its last whole record. docs/files.md has the
// byte tables.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvara {
namespace recording {

constexpr char kMagic[8] = {'K', 'V', 'R', 'E', 'C', 'O', 'R', 'D'};
constexpr uint32_t kLayoutVersion = 1;
constexpr size_t kFileHeaderFixedBytes = 16;  // magic, version, body length
constexpr size_t kRecordHeadBytes = 16;       // length, kind, 3 zero bytes, time
constexpr size_t kChecksumBytes = 4;
// No record of this layout is larger; a bigger length marks a damaged file.
constexpr uint32_t kMaxPayloadBytes = 16u << 20;
constexpr uint32_t kMaxHeaderBodyBytes = 64u << 20;

enum class RecordKind : uint8_t {
  kFrame = 1,         // one result reply's data, exactly as received
  kTemperatures = 2,  // imager upper-left, upper-right, lower-left, lower-right, LED (5 x int16)
};
constexpr size_t kTemperaturePayloadBytes = 10;

// One reply the camera gave at connect: the command code and its payload.
struct CameraReply {
  uint8_t code = 0;
  std::vector<unsigned char> payload;
};

struct RecordingHeader {
  uint16_t format_code = 0;   // the camera's output format during the recording
  int64_t start_unix_ns = 0;  // wall clock when the recording began
  std::vector<CameraReply> replies;

  // The recorded reply of `code`, or nullptr.
  const CameraReply* Find(uint8_t code) const;
};

// One whole record found in a file.
struct RecordEntry {
  RecordKind kind = RecordKind::kFrame;
  int64_t time_ns = 0;          // receive time since the recording began (steady clock)
  uint64_t payload_offset = 0;  // file offset of the payload
  uint32_t payload_size = 0;
};

// The header as it is written to a file (fixed part, body, checksum).
std::vector<unsigned char> EncodeHeader(const RecordingHeader& header);

}  // namespace recording
}  // namespace kelvara
