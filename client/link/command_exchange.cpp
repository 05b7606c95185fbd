// The exchange of CameraLink: one request, one response.
#include <cstdint>

#include "link/camera_link.h"

namespace kelvara {

int CameraLink::SendCommand(int code, int length, const unsigned char* payload) {
  const int64_t expected = static_cast<int64_t>(length) + kRequestHeaderBytes;
  for (int attempt = 0;; ++attempt) {
    library_.Clear();
    if (library_.SendCommand(code, length, payload) == expected) return 0;
    if (attempt >= kSendRetries) return CMD_ERR_SEND;
  }
}

int CameraLink::ReceiveResponse(int timeout_ms, unsigned char* status, uint32_t* length,
                                const unsigned char** payload) {
  unsigned char* const b = receive_buffer_.get();
  int received = 0;
  for (int call = 0; call <= kReceiveRetries; ++call) {
    received = library_.ReceiveSync(timeout_ms, kReceiveCapacity, b);
    if (received >= kResponseHeaderBytes) break;
  }
  if (received < kResponseHeaderBytes) {
    TakePause();
    return CMD_ERR_NO_RESPONSE;
  }
  if (b[0] != kResponseStartByte) {
    TakePause();
    return CMD_ERR_START_BYTE;
  }
  const uint32_t announced = (uint32_t{b[2]} << 24) | (uint32_t{b[3]} << 16) | (uint32_t{b[4]} << 8) | uint32_t{b[5]};
  if (status) *status = b[1];
  if (length) *length = announced;
  if (payload) *payload = b + kResponseHeaderBytes;
  // 64-bit sum: a length field of 0xFFFFFFFF must not wrap around. A library
  // that claims more than the capacity can never match a valid length.
  if (received > kReceiveCapacity ||
      static_cast<uint64_t>(announced) + kResponseHeaderBytes != static_cast<uint64_t>(received)) {
    TakePause();
    return CMD_ERR_LENGTH;
  }
  return 0;
}

int CameraLink::ExecuteCommand(int code, int length, const unsigned char* payload, int timeout_ms,
                               unsigned char* status, uint32_t* reply_length, const unsigned char** reply) {
  int rc = SendCommand(code, length, payload);
  if (rc != 0) return rc;
  if (!reply_tap_) return ReceiveResponse(timeout_ms, status, reply_length, reply);
  unsigned char got_status = 0xFF;
  uint32_t got_length = 0;
  const unsigned char* got = nullptr;
  rc = ReceiveResponse(timeout_ms, &got_status, &got_length, &got);
  if (status) *status = got_status;
  if (reply_length) *reply_length = got_length;
  if (reply) *reply = got;
  if (rc == 0 && got_status == 0) reply_tap_(code, got, got_length);
  return rc;
}

}  // namespace kelvara
