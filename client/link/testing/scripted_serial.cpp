#include "link/testing/scripted_serial.h"

#include <algorithm>
#include <cstring>

namespace kelvara {

void ScriptedSerial::QueueResponse(unsigned char status, const std::vector<unsigned char>& payload) {
  std::vector<unsigned char> b = {kResponseStartByte, status};
  const uint32_t n = static_cast<uint32_t>(payload.size());
  b.push_back(static_cast<unsigned char>(n >> 24));
  b.push_back(static_cast<unsigned char>(n >> 16));
  b.push_back(static_cast<unsigned char>(n >> 8));
  b.push_back(static_cast<unsigned char>(n));
  b.insert(b.end(), payload.begin(), payload.end());
  QueueReply(std::move(b));
}

int ScriptedSerial::SendCommand(int code, int length, const unsigned char* payload) {
  Sent s{code, {}};
  if (length > 0 && payload) s.payload.assign(payload, payload + length);
  sent.push_back(std::move(s));
  if (send_results_.empty()) return length + kRequestHeaderBytes;
  int r = send_results_.front();
  send_results_.pop_front();
  return r;
}

int ScriptedSerial::ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) {
  receive_timeouts.push_back(timeout_ms);
  if (replies_.empty()) return 0;
  Reply r = std::move(replies_.front());
  replies_.pop_front();
  const size_t n = std::min(r.bytes.size(), static_cast<size_t>(capacity));
  if (n) std::memcpy(buffer, r.bytes.data(), n);
  return r.reported >= 0 ? r.reported : static_cast<int>(r.bytes.size());
}

}  // namespace kelvara
