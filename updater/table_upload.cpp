#include "updater/table_upload.h"

#include <algorithm>

#include "camera_facts/wire_framing.h"
#include "uart/UART.h"
#include "updater/upload_protocol.h"

namespace kelvara {
namespace upload {
namespace {

enum class Answer { kAccepted, kRefused, kNone };

// One request and its response, tried kExchangeAttempts times while no
// well-formed response comes.
Answer Exchange(uint8_t code, const std::vector<unsigned char>& payload) {
  unsigned char response[64];
  for (int attempt = 0; attempt < kExchangeAttempts; ++attempt) {
    com_clear();
    const int length = static_cast<int>(payload.size());
    if (Qor_UartSendCommand(code, length, payload.data()) != length + kRequestHeaderBytes) continue;
    const int n = Qor_UartReceiveSync(kResponseTimeoutMs, sizeof response, response);
    if (n < kResponseHeaderBytes || response[0] != kResponseStartByte) continue;
    if (static_cast<uint32_t>(n) != kResponseHeaderBytes + ReadBigEndian32(response + 2)) continue;
    return response[1] == 0 ? Answer::kAccepted : Answer::kRefused;
  }
  return Answer::kNone;
}

UploadOutcome Outcome(Answer a, const std::string& stage) {
  UploadOutcome o;
  o.result = a == Answer::kNone ? UploadResult::kNoAnswer : UploadResult::kRefused;
  o.stage = stage;
  return o;
}

}  // namespace

UploadOutcome UploadTable(uint32_t address, const std::vector<unsigned char>& table) {
  const uint32_t size = static_cast<uint32_t>(table.size());
  std::vector<unsigned char> payload(8);
  WriteBigEndian32(payload.data(), address);
  WriteBigEndian32(payload.data() + 4, size);
  Answer a = Exchange(kBegin, payload);
  if (a != Answer::kAccepted) return Outcome(a, "begin");

  for (uint32_t offset = 0; offset < size; offset += kMaxBlockBytes) {
    const uint32_t n = std::min<uint32_t>(kMaxBlockBytes, size - offset);
    payload.resize(4 + n);
    WriteBigEndian32(payload.data(), offset);
    std::copy(table.begin() + offset, table.begin() + offset + n, payload.begin() + 4);
    a = Exchange(kBlock, payload);
    if (a != Answer::kAccepted) return Outcome(a, "block at offset " + std::to_string(offset));
  }

  payload.resize(4);
  WriteBigEndian32(payload.data(), Crc32(0, table.data(), table.size()));
  a = Exchange(kEnd, payload);
  if (a != Answer::kAccepted) return Outcome(a, "end");
  return {};
}

}  // namespace upload
}  // namespace kelvara
