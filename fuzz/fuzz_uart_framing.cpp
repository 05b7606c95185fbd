// libUART's reading of the camera's byte stream: the input is a capacity, a
// line mode and the bytes the camera sends, through a pipe that the reader
// reads as it would read the port.
//
// The camera sends the stream in chunks of a size the input picks (1 to 127
// bytes, or all at once), each one when the reader waits for data: this
// binary's poll() puts the next chunk on the line before it waits. So short
// reads and waits are reached, single-threaded and the same way every run.
// After the last chunk the camera hangs up (a long timeout is then never
// reached) or stays silent (and a zero timeout ends the wait at once).
// Receives repeat until the stream is used up, each into a buffer of exactly
// the capacity, and each result is checked against the framing.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "camera_facts/wire_framing.h"
#include "uart/response_reader.h"

namespace {

using kelvara::kResponseHeaderBytes;
using kelvara::kResponseStartByte;

// The camera's end of the line.
struct Camera {
  int line = -1;  // the reader's end, whose waits send more
  int out = -1;   // the camera's end; -1 once it hung up
  const uint8_t* stream = nullptr;
  size_t length = 0;
  size_t sent = 0;
  size_t chunk = 0;  // 0: all at once
  int chunks = 0;    // sent so far
  bool hang_up = false;
};
Camera g_camera;

// After this many chunks the rest goes at once, so that a long stream in
// small chunks stays quick.
constexpr int kMaxChunks = 256;

// Puts the next chunk on the line; hangs up after the last when asked to.
void SendMore() {
  Camera& c = g_camera;
  if (c.out < 0) return;
  const size_t left = c.length - c.sent;
  const size_t n = c.chunk == 0 || ++c.chunks >= kMaxChunks ? left : std::min(left, c.chunk);
  if (n > 0) {
    const ssize_t w = write(c.out, c.stream + c.sent, n);
    // What does not fit in the pipe is never sent.
    if (w < static_cast<ssize_t>(n)) c.length = c.sent + static_cast<size_t>(std::max<ssize_t>(w, 0));
    c.sent += static_cast<size_t>(std::max<ssize_t>(w, 0));
  }
  if (c.sent == c.length && c.hang_up) {
    close(c.out);
    c.out = -1;
  }
}

size_t Pending(int fd) {
  int n = 0;
  if (ioctl(fd, FIONREAD, &n) != 0) abort();
  return static_cast<size_t>(n);
}

// Ends the run with a report when the reader broke its contract.
void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_uart_framing: %s\n", what);
  std::abort();
}

}  // namespace

// The reader's wait for data is where the camera sends its next chunk.
extern "C" int poll(pollfd* fds, nfds_t count, int timeout_ms) {
  if (count == 1 && fds[0].fd == g_camera.line && (fds[0].events & POLLIN)) SendMore();
  timespec t{timeout_ms / 1000, (timeout_ms % 1000) * 1000000L};
  return ppoll(fds, count, timeout_ms < 0 ? nullptr : &t, nullptr);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Capacity 0..127, or in steps of 256 up to 32512 when the top bit is set.
  const int capacity = (data[0] & 0x7F) * ((data[0] & 0x80) ? 256 : 1);
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) abort();
  Camera& c = g_camera;
  c = Camera{fds[0], fds[1], data + 2, size - 2, 0, static_cast<size_t>(data[1] >> 1), 0, (data[1] & 1) != 0};
  if (c.chunk == 0) SendMore();
  const int timeout_ms = c.hang_up ? 10000 : 0;

  size_t at = 0;  // how much of the stream the reader has taken
  for (int call = 0; call < 64; ++call) {
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(capacity)]);
    const int n = kelvara::uart::ReceiveResponse(c.line, timeout_ms, capacity, buffer.get());
    const uint8_t* stream = c.stream + at;
    const size_t left = c.length - at;
    const size_t taken = c.sent - Pending(c.line) - at;
    const size_t cap = static_cast<size_t>(capacity);
    Check(n >= 0 && n <= capacity && static_cast<size_t>(n) <= taken, "returned more than it read or may hold");
    Check(std::memcmp(buffer.get(), stream, static_cast<size_t>(n)) == 0, "returned bytes not as sent");
    if (capacity == 0) {
      Check(n == 0 && taken == 0, "read with no room");
    } else if (left < static_cast<size_t>(kResponseHeaderBytes)) {
      Check(static_cast<size_t>(n) == std::min(left, cap) && taken == left, "short header");
    } else if (stream[0] != kResponseStartByte) {
      // Kept as far as it fits; drained to the hang-up, or at least past the
      // header on a silent line whose deadline has already passed.
      Check(static_cast<size_t>(n) == std::min(left, cap), "wrong start byte: kept");
      Check(c.hang_up ? taken == left : taken >= std::max<size_t>(kResponseHeaderBytes, n),
            "wrong start byte: drained");
    } else {
      // Exactly the announced response is taken, nothing of the next one.
      const uint64_t total = kResponseHeaderBytes + ((uint64_t{stream[2]} << 24) | (uint64_t{stream[3]} << 16) |
                                                     (uint64_t{stream[4]} << 8) | uint64_t{stream[5]});
      const size_t whole = static_cast<size_t>(std::min<uint64_t>(total, left));
      Check(static_cast<size_t>(n) == std::min(whole, cap), "response: kept");
      Check(taken == whole, "response: taken");
    }
    at += taken;
    if (taken == 0 || at == c.length) break;
  }
  close(c.line);
  if (c.out >= 0) close(c.out);
  c = Camera{};
  return 0;
}
