#pragma once
// How requests and responses travel on the serial line.
//
//   request:  0xFC, code, payload length (16-bit big-endian), payload
//   response: 0xFE, status, payload length (32-bit big-endian), payload

namespace kelvara {

constexpr unsigned char kRequestStartByte = 0xFC;
constexpr unsigned char kResponseStartByte = 0xFE;
constexpr int kRequestHeaderBytes = 4;
constexpr int kResponseHeaderBytes = 6;
// The request length field is 16 bits wide.
constexpr int kMaxRequestPayload = 65535;

}  // namespace kelvara
