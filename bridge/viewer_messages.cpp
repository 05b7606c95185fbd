#include "viewer_messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "velmar.h"

namespace kelvara {
namespace bridge {

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
  std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);

  // Non-blocking: a viewer whose queue is full counts as not taking the
  // message, instead of holding the caller.
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return QOR3D_ERR_NO_VIEWER;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return QOR3D_ERR_NO_VIEWER;
  }
  // One write of the whole message; MSG_NOSIGNAL so that a viewer that has
  // gone away cannot end the calling program with SIGPIPE.
  ssize_t sent;
  do {
    sent = send(fd, message.data(), message.size(), MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  close(fd);
  return sent == static_cast<ssize_t>(message.size()) ? QOR3D_OK : QOR3D_ERR_SEND;
}

}  // namespace bridge
}  // namespace kelvara
