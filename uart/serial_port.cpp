#include "uart/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>

#include "uart/fd_wait.h"

namespace kelvara {
namespace uart {
namespace {

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
  return fd_ < 0 ? 0 : ReceiveResponse(fd_, timeout_ms, capacity, buffer);
}

}  // namespace uart
}  // namespace kelvara
