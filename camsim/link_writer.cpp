#include "camsim/link_writer.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace kelvara {
namespace camsim {
namespace {

using Clock = std::chrono::steady_clock;

// Waits for `events` on fd (or, with fd < 0, for nothing) until `deadline`.
// Returns 1 when fd is ready, 0 at the deadline, -1 when stop fired.
int Await(int fd, short events, int stop_fd, Clock::time_point deadline) {
  for (;;) {
    pollfd p[2] = {{stop_fd, POLLIN, 0}, {fd, events, 0}};
    const auto left = deadline - Clock::now();
    timespec ts{0, 0};
    if (left > Clock::duration::zero()) {
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      ts.tv_sec = static_cast<time_t>(ns / 1000000000);
      ts.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    const int rc = ppoll(p, fd >= 0 ? 2 : 1, &ts, nullptr);
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0) return -1;
    if (p[0].revents) return -1;
    if (rc > 0 && fd >= 0 && p[1].revents) return 1;
    if (Clock::now() >= deadline) return 0;
  }
}

}  // namespace

bool LinkWriter::WaitUntil(Clock::time_point when) {
  if (Clock::now() >= when) return true;
  return Await(-1, 0, stop_fd_, when) == 0;
}

WriteResult LinkWriter::Write(const iovec* segments, int count, int data_size_kb, int interval_us) {
  size_t total = 0;
  for (int k = 0; k < count; ++k) total += segments[k].iov_len;
  const size_t block = interval_us > 0 ? static_cast<size_t>(std::max(data_size_kb, 1)) * 1024 : 0;
  const size_t slice = rate_ > 0 ? static_cast<size_t>(std::max<int64_t>(rate_ / 200, 1)) : 0;
  const auto start = Clock::now();
  size_t sent = 0;
  while (sent < total) {
    size_t want = total - sent;
    if (block) want = std::min(want, block - sent % block);
    if (slice) {
      want = std::min(want, slice);
      // Byte `sent` may leave at start + sent / rate.
      const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(static_cast<double>(sent) / rate_));
      if (!WaitUntil(due)) return WriteResult::kStopped;
    }
    // The part of the segments from `sent`, at most `want` bytes.
    iovec part[4];
    int parts = 0;
    size_t skip = sent, room = want;
    for (int k = 0; k < count && room > 0 && parts < 4; ++k) {
      if (skip >= segments[k].iov_len) {
        skip -= segments[k].iov_len;
        continue;
      }
      const size_t len = std::min(segments[k].iov_len - skip, room);
      part[parts++] = {static_cast<char*>(segments[k].iov_base) + skip, len};
      room -= len;
      skip = 0;
    }
    const ssize_t n = writev(fd_, part, parts);
    if (n > 0) {
      const size_t before = sent;
      sent += static_cast<size_t>(n);
      if (block && sent < total && sent / block != before / block) {
        if (!WaitUntil(Clock::now() + std::chrono::microseconds(interval_us))) return WriteResult::kStopped;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return WriteResult::kStalled;
    const int ready = Await(fd_, POLLOUT, stop_fd_, Clock::now() + kStallTimeout);
    if (ready < 0) return WriteResult::kStopped;
    if (ready == 0) return WriteResult::kStalled;
  }
  return WriteResult::kDone;
}

}  // namespace camsim
}  // namespace kelvara
