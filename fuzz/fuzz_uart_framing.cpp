// libUART's reading of the camera's byte stream: the input is a capacity, a
// line mode and the bytes the camera sends. The bytes wait in a pipe before
// the first receive, so every input reads the same way: the line either
// hangs up after them (and a long timeout is never reached) or stays open
// and silent (and a zero timeout ends the wait at once). Receives repeat
// until the stream is used up, each into a buffer of exactly the capacity,
// and each result is checked against the framing.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "response_reader.h"
#include "wire_framing.h"

namespace {

using kelvara::kResponseHeaderBytes;
using kelvara::kResponseStartByte;

// Ends the run with a report when the reader broke its contract.
void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_uart_framing: %s\n", what);
  std::abort();
}

size_t Pending(int fd) {
  int n = 0;
  if (ioctl(fd, FIONREAD, &n) != 0) abort();
  return static_cast<size_t>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Capacity 0..127, or in steps of 256 up to 32512 when the top bit is set.
  const int capacity = (data[0] & 0x7F) * ((data[0] & 0x80) ? 256 : 1);
  const bool hang_up = (data[1] & 1) != 0;
  const uint8_t* stream = data + 2;
  size_t length = size - 2;

  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) abort();
  // Only what fits in the pipe is sent; the rest of a long input is dropped.
  const ssize_t sent = length > 0 ? write(fds[1], stream, length) : 0;
  length = sent > 0 ? static_cast<size_t>(sent) : 0;
  if (hang_up) {
    close(fds[1]);
    fds[1] = -1;
  }
  const int timeout_ms = hang_up ? 10000 : 0;

  size_t at = 0;  // how much of the stream the reader has taken
  for (int call = 0; call < 64; ++call) {
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(capacity)]);
    const int n = kelvara::uart::ReceiveResponse(fds[0], timeout_ms, capacity, buffer.get());
    const size_t left = length - at;
    const size_t taken = left - Pending(fds[0]);
    Check(n >= 0 && n <= capacity && static_cast<size_t>(n) <= taken, "returned more than it read or may hold");
    Check(std::memcmp(buffer.get(), stream + at, static_cast<size_t>(n)) == 0, "returned bytes not as sent");
    const size_t cap = static_cast<size_t>(capacity);
    if (capacity == 0) {
      Check(n == 0 && taken == 0, "read with no room");
    } else if (left < static_cast<size_t>(kResponseHeaderBytes)) {
      Check(static_cast<size_t>(n) == std::min(left, cap) && taken == left, "short header");
    } else if (stream[at] != kResponseStartByte) {
      // Kept as far as it fits; drained to the hang-up, or at least past the
      // header on a silent line whose deadline has already passed.
      Check(static_cast<size_t>(n) == std::min(left, cap), "wrong start byte: kept");
      Check(hang_up ? taken == left : taken >= std::max<size_t>(kResponseHeaderBytes, n), "wrong start byte: drained");
    } else {
      // Exactly the announced response is taken, nothing of the next one.
      const uint64_t total =
          kResponseHeaderBytes + ((uint64_t{stream[at + 2]} << 24) | (uint64_t{stream[at + 3]} << 16) |
                                  (uint64_t{stream[at + 4]} << 8) | uint64_t{stream[at + 5]});
      const size_t whole = static_cast<size_t>(std::min<uint64_t>(total, left));
      Check(static_cast<size_t>(n) == std::min(whole, cap), "response: kept");
      Check(taken == whole, "response: taken");
    }
    at += taken;
    if (taken == 0 || at == length) break;
  }
  close(fds[0]);
  if (fds[1] >= 0) close(fds[1]);
  return 0;
}
