#include "recording/recording_format.h"

#include <cstring>

#include "recording/crc32.h"
#include "recording/le_bytes.h"

namespace kelvara {
namespace recording {

const CameraReply* RecordingHeader::Find(uint8_t code) const {
  for (const CameraReply& r : replies)
    if (r.code == code) return &r;
  return nullptr;
}

std::vector<unsigned char> EncodeHeader(const RecordingHeader& header) {
  std::vector<unsigned char> body;
  PutLe(&body, header.format_code, 2);
  PutLe(&body, static_cast<uint64_t>(header.start_unix_ns), 8);
  PutLe(&body, header.replies.size(), 2);
  for (const CameraReply& r : header.replies) {
    body.push_back(r.code);
    PutLe(&body, r.payload.size(), 4);
    body.insert(body.end(), r.payload.begin(), r.payload.end());
  }
  std::vector<unsigned char> out(kMagic, kMagic + sizeof kMagic);
  PutLe(&out, kLayoutVersion, 4);
  PutLe(&out, body.size(), 4);
  out.insert(out.end(), body.begin(), body.end());
  PutLe(&out, Crc32(0, out.data(), out.size()), 4);
  return out;
}

}  // namespace recording
}  // namespace kelvara
