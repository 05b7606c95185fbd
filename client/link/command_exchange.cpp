#include "command_exchange.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "serial_library.h"

namespace kelvara {
namespace {

// Static, so that the 4 MiB exist once for the life of the process and a
// frame never needs an allocation on its way in.
alignas(16) unsigned char g_receive_buffer[kReceiveCapacity];

void SleepPause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

PauseFunction g_pause = &SleepPause;

}  // namespace

void SetExchangePause(PauseFunction pause) { g_pause = pause ? pause : &SleepPause; }

int SendCommand(int code, int length, const unsigned char* payload) {
  SerialLibrary& lib = ActiveSerialLibrary();
  const int64_t expected = static_cast<int64_t>(length) + kRequestHeaderBytes;
  for (int attempt = 0;; ++attempt) {
    lib.Clear();
    if (lib.SendCommand(code, length, payload) == expected) return 0;
    if (attempt >= kSendRetries) return CMD_ERR_SEND;
  }
}

int ReceiveResponse(int timeout_ms, unsigned char* status, uint32_t* length,
                    const unsigned char** payload) {
  SerialLibrary& lib = ActiveSerialLibrary();
  int received = 0;
  for (int call = 0; call <= kReceiveRetries; ++call) {
    received = lib.ReceiveSync(timeout_ms, kReceiveCapacity, g_receive_buffer);
    if (received >= kResponseHeaderBytes) break;
  }
  if (received < kResponseHeaderBytes) {
    g_pause(kFailurePauseMs);
    return CMD_ERR_NO_RESPONSE;
  }
  const unsigned char* b = g_receive_buffer;
  if (b[0] != kResponseStartByte) {
    g_pause(kFailurePauseMs);
    return CMD_ERR_START_BYTE;
  }
  const uint32_t announced = (uint32_t{b[2]} << 24) | (uint32_t{b[3]} << 16) |
                             (uint32_t{b[4]} << 8) | uint32_t{b[5]};
  if (status) *status = b[1];
  if (length) *length = announced;
  if (payload) *payload = b + kResponseHeaderBytes;
  // 64-bit sum: a length field of 0xFFFFFFFF must not wrap around. A library
  // that claims more than the capacity can never match a valid length.
  if (received > kReceiveCapacity ||
      static_cast<uint64_t>(announced) + kResponseHeaderBytes != static_cast<uint64_t>(received)) {
    g_pause(kFailurePauseMs);
    return CMD_ERR_LENGTH;
  }
  return 0;
}

}  // namespace kelvara
