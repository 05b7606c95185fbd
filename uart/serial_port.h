#pragma once
// One open serial device in raw mode, with the library's wire framing.
// Not thread-safe: the C functions serialise every call.
#include <termios.h>
#include <cstdint>
#include <string>

#include "camera_facts/wire_framing.h"
#include "uart/response_reader.h"

namespace kelvara {
namespace uart {

constexpr int kDefaultBaud = 115200;  // what baud 0 selects
// How long a request may take to leave.
constexpr int kSendTimeoutMs = 2000;

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort() { Close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens `path` read-write in raw mode, 8N1 without flow control, at `baud`
  // (0: kDefaultBaud). Fails for an unknown rate (errno EINVAL), a device
  // that cannot be opened (errno from open(): ENOENT, EACCES, ...), one that
  // is not a terminal (ENOTTY), or one that another user of this library
  // holds (EBUSY).
  bool Open(const std::string& path, int baud);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Discards received and unsent data.
  void Flush();

  // Sends 0xFC, code, 16-bit big-endian length, payload. Returns the bytes
  // put on the line (length + 4 when complete), -1 when nothing could go.
  int Send(int code, int length, const unsigned char* payload);

  // Reads one response (header, then the announced payload) within one
  // deadline. Never writes past `capacity`; bytes beyond it are read and
  // dropped so that the line is clean for the next response. Returns the
  // number of bytes written to `buffer`.
  int Receive(int timeout_ms, int capacity, unsigned char* buffer);

 private:
  int fd_ = -1;
  termios saved_{};  // the device's settings before Open
};

}  // namespace uart
}  // namespace kelvara
