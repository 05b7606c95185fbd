#include "serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kelvara {
namespace uart {
namespace {

using Clock = std::chrono::steady_clock;

bool BaudConstant(int baud, speed_t* out) {
  static const struct {
    int rate;
    speed_t code;
  } kRates[] = {{9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
                {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
                {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
                {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000}};
  for (const auto& r : kRates)
    if (r.rate == baud) {
      *out = r.code;
      return true;
    }
  return false;
}

// Milliseconds left until `deadline`, rounded up so that poll() never
// returns just before it and spins.
int MsLeft(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

enum class Wait { kReady, kTimeout, kGone };

// Waits until `fd` is ready for `events` or the deadline passes. kGone: the
// device hung up or failed and will never be ready again.
Wait WaitReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, MsLeft(deadline));
    if (rc > 0) return (p.revents & events) ? Wait::kReady : Wait::kGone;
    if (rc == 0) return Wait::kTimeout;
    if (errno != EINTR) return Wait::kGone;
  }
}

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

namespace {

// Closes `fd` after a failed step and keeps that step's errno.
bool FailOpen(int fd, int error) {
  close(fd);
  errno = error;
  return false;
}

}  // namespace

bool SerialPort::Open(const std::string& path, int baud) {
  Close();
  speed_t speed = 0;
  if (baud < 0 || !BaudConstant(baud == 0 ? kDefaultBaud : baud, &speed)) {
    errno = EINVAL;
    return false;
  }
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;  // errno from open(): ENOENT, EACCES, ...
  termios t{};
  if (!isatty(fd)) return FailOpen(fd, ENOTTY);
  // One user of this library per device: a second one would interleave
  // requests and steal responses.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return FailOpen(fd, errno == EWOULDBLOCK ? EBUSY : errno);
  if (tcgetattr(fd, &t) != 0) return FailOpen(fd, errno);
  // The device's own settings go back when the port is closed, so that a
  // terminal opened by mistake is not left raw and without echo. TIOCEXCL
  // keeps other programs from opening the device while it is ours.
  saved_ = t;
  ioctl(fd, TIOCEXCL);
  cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | CS8;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0 || tcsetattr(fd, TCSANOW, &t) != 0) {
    const int error = errno;
    tcsetattr(fd, TCSANOW, &saved_);
    ioctl(fd, TIOCNXCL);
    return FailOpen(fd, error);
  }
  tcflush(fd, TCIOFLUSH);
  fd_ = fd;
  return true;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  tcsetattr(fd_, TCSANOW, &saved_);
  ioctl(fd_, TIOCNXCL);
  close(fd_);  // also releases the lock
  fd_ = -1;
}

void SerialPort::Flush() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

int SerialPort::Send(int code, int length, const unsigned char* payload) {
  if (fd_ < 0 || code < 0 || code > 255 || length < 0 || length > kMaxRequestPayload ||
      (length > 0 && payload == nullptr))
    return -1;
  constexpr size_t kHeader = kRequestHeaderBytes;
  unsigned char header[kHeader] = {kRequestStartByte, static_cast<unsigned char>(code),
                                   static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length & 0xFF)};
  const size_t total = kHeader + static_cast<size_t>(length);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kSendTimeoutMs);
  size_t sent = 0;
  while (sent < total) {
    iovec iov[2];
    int count = 0;
    if (sent < kHeader) iov[count++] = {header + sent, kHeader - sent};
    const size_t payload_sent = sent > kHeader ? sent - kHeader : 0;
    if (static_cast<size_t>(length) > payload_sent)
      iov[count++] = {const_cast<unsigned char*>(payload) + payload_sent, length - payload_sent};
    const ssize_t n = writev(fd_, iov, count);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    if (WaitReady(fd_, POLLOUT, deadline) != Wait::kReady) break;
  }
  return sent == 0 ? -1 : static_cast<int>(sent);
}

int SerialPort::Receive(int timeout_ms, int capacity, unsigned char* buffer) {
  if (fd_ < 0 || buffer == nullptr || capacity <= 0) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  bool dead = false;
  constexpr size_t kHeader = kResponseHeaderBytes;
  unsigned char header[kHeader];
  const size_t got = ReadUntil(fd_, header, kHeader, deadline, &dead);
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
      const size_t n = ReadUntil(fd_, dst, room, gap, &dead);
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
    const size_t n = ReadUntil(fd_, buffer + written, fits - written, deadline, &dead);
    written += n;
    consumed += n;
    if (written < fits) return static_cast<int>(written);
  }
  // Whatever does not fit is read and dropped, within the same deadline.
  while (!dead && consumed < total) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(total - consumed, sizeof scratch));
    const size_t n = ReadUntil(fd_, scratch, want, deadline, &dead);
    if (n == 0) break;
    consumed += n;
    if (n < want) break;
  }
  return static_cast<int>(written);
}

}  // namespace uart
}  // namespace kelvara
