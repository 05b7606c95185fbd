#include "uart/response_reader.h"

#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>

#include "camera_facts/wire_framing.h"
#include "uart/fd_wait.h"

namespace kelvara {
namespace uart {
namespace {

// Reads up to `want` bytes into `dst` until all came or the deadline passed.
// Returns the count; *dead is set when the device failed (hang-up, error).
size_t ReadUntil(int fd, unsigned char* dst, size_t want, Clock::time_point deadline, bool* dead) {
  size_t got = 0;
  while (got < want) {
    const ssize_t n = read(fd, dst + got, want - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
      // A short read emptied the terminal: wait rather than read again.
      if (got < want) {
        const Wait w = WaitReady(fd, POLLIN, deadline);
        if (w == Wait::kGone) *dead = true;
        if (w != Wait::kReady) break;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // With VMIN 1 a read without data fails with EAGAIN; 0 is a hang-up.
    if (n == 0 || errno != EAGAIN) {
      *dead = true;
      break;
    }
    const Wait w = WaitReady(fd, POLLIN, deadline);
    if (w == Wait::kGone) *dead = true;
    if (w != Wait::kReady) break;
  }
  return got;
}

}  // namespace

int ReceiveResponse(int fd, int timeout_ms, int capacity, unsigned char* buffer) {
  if (fd < 0 || buffer == nullptr || capacity <= 0) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  bool dead = false;
  constexpr size_t kHeader = kResponseHeaderBytes;
  unsigned char header[kHeader];
  const size_t got = ReadUntil(fd, header, kHeader, deadline, &dead);
  const size_t cap = static_cast<size_t>(capacity);
  size_t written = std::min(got, cap);
  std::copy(header, header + written, buffer);
  if (got < kHeader || dead) return static_cast<int>(written);

  unsigned char scratch[4096];
  if (header[0] != kResponseStartByte) {
    // No length to trust: keep what fits and drain until the line is quiet,
    // so that the rest of this reply cannot pose as the next one.
    for (;;) {
      const auto gap = std::min(deadline, Clock::now() + std::chrono::milliseconds(kQuietGapMs));
      unsigned char* dst = written < cap ? buffer + written : scratch;
      const size_t room = written < cap ? cap - written : sizeof scratch;
      const size_t n = ReadUntil(fd, dst, room, gap, &dead);
      if (dst != scratch) written += n;
      if (n == 0 || dead || MsLeft(deadline) == 0) break;
    }
    return static_cast<int>(written);
  }

  const uint64_t announced =
      (uint64_t{header[2]} << 24) | (uint64_t{header[3]} << 16) | (uint64_t{header[4]} << 8) | uint64_t{header[5]};
  const uint64_t total = kHeader + announced;
  // Read straight into the caller's buffer, as far as it reaches.
  const size_t fits = static_cast<size_t>(std::min<uint64_t>(total, cap));
  uint64_t consumed = got;
  if (fits > written) {
    const size_t n = ReadUntil(fd, buffer + written, fits - written, deadline, &dead);
    written += n;
    consumed += n;
    if (written < fits) return static_cast<int>(written);
  }
  // Whatever does not fit is read and dropped, within the same deadline.
  while (!dead && consumed < total) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(total - consumed, sizeof scratch));
    const size_t n = ReadUntil(fd, scratch, want, deadline, &dead);
    if (n == 0) break;
    consumed += n;
    if (n < want) break;
  }
  return static_cast<int>(written);
}

}  // namespace uart
}  // namespace kelvara
