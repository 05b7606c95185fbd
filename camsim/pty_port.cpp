#include "pty_port.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "runtime_dir.h"

namespace kelvara {
namespace camsim {

PtyPort::~PtyPort() {
  Unregister();
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

bool PtyPort::Open(std::string* error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  char name[128] = {};
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  device_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios t{};
  if (slave_ < 0 || tcgetattr(slave_, &t) != 0) {
    *error = "cannot open " + device_ + ": " + std::strerror(errno);
    return false;
  }
  cfmakeraw(&t);
  if (tcsetattr(slave_, TCSANOW, &t) != 0) {
    *error = "cannot set raw mode on " + device_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

PtyPort::Link PtyPort::TryLink(int port, bool replace_stale, std::string* error) {
  const std::string link = PortDirPath() + "/COM" + std::to_string(port);
  if (symlink(device_.c_str(), link.c_str()) == 0) {
    port_ = port;
    link_ = link;
    return Link::kMade;
  }
  if (errno != EEXIST) {
    *error = "cannot create " + link + ": " + std::strerror(errno);
    return Link::kFailed;
  }
  struct stat st {};
  if (replace_stale && stat(link.c_str(), &st) != 0 && errno == ENOENT) {
    // Left behind by a run that did not end cleanly: its device is gone.
    if (unlink(link.c_str()) == 0 && symlink(device_.c_str(), link.c_str()) == 0) {
      port_ = port;
      link_ = link;
      return Link::kMade;
    }
  }
  *error = "COM" + std::to_string(port) + " is already in use (" + link +
           "); choose another --port, or remove the entry if it is stale";
  return Link::kTaken;
}

bool PtyPort::Register(int port, std::string* error) {
  if (EnsurePortDir().empty()) {
    *error = "cannot use the port directory " + PortDirPath() + ": " + std::strerror(errno);
    return false;
  }
  if (port != 0) return TryLink(port, true, error) == Link::kMade;
  for (int n = 1; n <= 99; ++n) {
    const Link made = TryLink(n, false, error);
    if (made != Link::kTaken) return made == Link::kMade;
  }
  *error = "no free port number from 1 to 99 in " + PortDirPath();
  return false;
}

void PtyPort::Unregister() {
  if (link_.empty()) return;
  char target[PATH_MAX];
  const ssize_t n = readlink(link_.c_str(), target, sizeof target - 1);
  if (n > 0 && std::string(target, static_cast<size_t>(n)) == device_) unlink(link_.c_str());
  link_.clear();
}

}  // namespace camsim
}  // namespace kelvara
