#pragma once
// The error codes and limits of the command exchange (one request, one
// response: send with retries, receive with framing checks). The exchange
// itself is CameraLink's (camera_link.h).
//
// Response in the receive buffer: 0xFE, status, length (32-bit big-endian),
// payload.
#include <cstdint>

#include "camera_facts/wire_framing.h"

namespace kelvara {

// Error codes of every camera operation (0 = the exchange succeeded; the
// status byte still decides whether the command did).
constexpr int CMD_ERR_NO_STATUS = -1;     // no place for the status byte; nothing sent
constexpr int CMD_ERR_SEND = -10;         // 11 attempts did not put the request on the line
constexpr int CMD_ERR_NO_RESPONSE = -20;  // 11 receive calls delivered fewer than 6 bytes each
constexpr int CMD_ERR_START_BYTE = -21;   // the first response byte is not 0xFE
constexpr int CMD_ERR_LENGTH = -22;       // received byte count differs from length + 6

constexpr int kReceiveCapacity = 4194304;  // the one receive buffer, 4 MiB
constexpr int kSendRetries = 10;           // one attempt plus ten retries
constexpr int kReceiveRetries = 10;        // one call plus ten retries
constexpr int kFailurePauseMs = 300;

}  // namespace kelvara
