#pragma once
// One request, one response: send with retries, receive with framing checks.
//
// Response in the receive buffer: 0xFE, status, length (32-bit big-endian),
// payload. The payload is never copied here; a successful receive hands back
// a pointer into the one receive buffer, valid until the next receive.
#include <cstdint>

#include "wire_framing.h"

namespace kelvara {

// Error codes of every camera operation (0 = the exchange succeeded; the
// status byte still decides whether the command did).
constexpr int CMD_ERR_NO_STATUS = -1;     // no place for the status byte; nothing sent
constexpr int CMD_ERR_SEND = -10;         // 11 attempts did not put the request on the line
constexpr int CMD_ERR_NO_RESPONSE = -20;  // 11 receive calls delivered fewer than 6 bytes each
constexpr int CMD_ERR_START_BYTE = -21;   // the first response byte is not 0xFE
constexpr int CMD_ERR_LENGTH = -22;       // received byte count differs from length + 6

constexpr int kReceiveCapacity = 4194304;  // the one receive buffer, 4 MiB
constexpr int kSendRetries = 10;     // one attempt plus ten retries
constexpr int kReceiveRetries = 10;  // one call plus ten retries
constexpr int kFailurePauseMs = 300;

// Sends one request: com_clear then the library's send, up to 11 times.
// Returns 0 or CMD_ERR_SEND.
int SendCommand(int code, int length, const unsigned char* payload);

// Waits for one response. `status` and `length` receive the header fields
// (when the start byte is right); `payload`, when given, receives a pointer
// to byte 6 of the receive buffer. Returns 0, CMD_ERR_NO_RESPONSE,
// CMD_ERR_START_BYTE or CMD_ERR_LENGTH (each failure after a 300 ms pause).
int ReceiveResponse(int timeout_ms, unsigned char* status, uint32_t* length,
                    const unsigned char** payload);

// The pause taken before a receive failure is reported. Tests replace it to
// stay fast and to observe it; nullptr restores the real sleep.
using PauseFunction = void (*)(int milliseconds);
void SetExchangePause(PauseFunction pause);

}  // namespace kelvara
