#include "bridge/viewer_messages.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "bridge/velmar.h"
#include "common/runtime_dir.h"

namespace kelvara {
namespace bridge {
namespace {

// The viewer reads a waiting sender's message once the command before it
// has been applied; a viewer that has not read it after this long is stuck.
constexpr int kVerdictTimeoutMs = 1000;

// After the write: the viewer reads the message and closes its end, which
// reads here as end of file. A viewer that closes without reading (it is
// ending) resets the connection instead.
int AwaitVerdict(int fd) {
  pollfd p = {fd, POLLIN, 0};
  int rc;
  do {
    rc = poll(&p, 1, kVerdictTimeoutMs);
  } while (rc < 0 && errno == EINTR);
  if (rc <= 0) return QOR3D_ERR_NOT_TAKEN;
  char byte;
  ssize_t n;
  do {
    n = recv(fd, &byte, 1, 0);
  } while (n < 0 && errno == EINTR);
  return n == 0 ? QOR3D_OK : QOR3D_ERR_NOT_TAKEN;
}

}  // namespace

bool PathMessage(int kind, const char* path, std::string* message) {
  if (path == nullptr || std::strchr(path, ',') != nullptr) return false;
  *message = std::to_string(kind) + "," + path;
  return true;
}

std::string RangeMessage(int kind, int min, int max) {
  return std::to_string(kind) + "," + std::to_string(min) + "," + std::to_string(max);
}

std::string RatioMessage(float ratio) {
  char text[64];
  std::snprintf(text, sizeof(text), "%d,%.9g", viewer::CMD_DISTANCE_RATIO, static_cast<double>(ratio));
  return text;
}

int DeliverMessage(const std::string& socket_path, const std::string& message) {
  if (message.size() > static_cast<size_t>(viewer::kMaxPipeMessageBytes)) return QOR3D_ERR_TOO_LONG;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path.empty() || socket_path.size() >= sizeof(address.sun_path)) return QOR3D_ERR_NO_VIEWER;
  // Another user able to write to the socket's folder could have put a
  // listener of their own there.
  // A folder that does not exist yet holds no viewer.
  const size_t slash = socket_path.rfind('/');
  const std::string folder = slash == 0 ? "/" : socket_path.substr(0, slash);
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0 && errno == ENOENT) return QOR3D_ERR_NO_VIEWER;
  if (!IsPrivateDir(folder)) return QOR3D_ERR_UNSAFE_DIR;
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);

  // Non-blocking connect: a viewer that is serving one sender and has the
  // next one waiting refuses at once (EAGAIN) instead of holding the caller.
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return QOR3D_ERR_NO_VIEWER;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    // A full listen queue refuses a non-blocking connect with EAGAIN; no
    // socket file or nobody listening gives ENOENT or ECONNREFUSED.
    const int error = errno;
    close(fd);
    return error == EAGAIN ? QOR3D_ERR_BUSY : QOR3D_ERR_NO_VIEWER;
  }
  // One write of the whole message; MSG_NOSIGNAL so that a viewer that has
  // gone away cannot end the calling program with SIGPIPE.
  ssize_t sent;
  do {
    sent = send(fd, message.data(), message.size(), MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  const int result = sent == static_cast<ssize_t>(message.size()) ? AwaitVerdict(fd) : QOR3D_ERR_SEND;
  close(fd);
  return result;
}

}  // namespace bridge
}  // namespace kelvara
