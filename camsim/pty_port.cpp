#include "camsim/pty_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/port_entry_lock.h"
#include "common/runtime_dir.h"

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
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
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
  const std::string taken = "COM" + std::to_string(port) + " is already in use (" + link +
                            "); choose another --port, or remove the entry if it is stale";
  // The lock comes first: while it is held, the entry is this simulator's.
  bool created = false;
  const int lock = TakePortEntryLock(link, &created);
  if (lock < 0) {
    if (errno == EWOULDBLOCK) {
      *error = taken;
      return Link::kTaken;
    }
    *error = "cannot create " + PortEntryLockPath(link) + ": " + std::strerror(errno);
    return Link::kFailed;
  }
  auto made = [&] {
    port_ = port;
    link_ = link;
    lock_ = lock;
    return Link::kMade;
  };
  if (symlink(device_.c_str(), link.c_str()) == 0) return made();
  const int link_error = errno;
  if (link_error == EEXIST) {
    // A lock file that nobody held: the simulator that registered the entry
    // was killed, and its device path may now be someone else's terminal.
    // An entry without a lock file is replaced only when its device is gone.
    struct stat st {};
    const bool stale = !created || (replace_stale && stat(link.c_str(), &st) != 0 && errno == ENOENT);
    if (stale && unlink(link.c_str()) == 0 && symlink(device_.c_str(), link.c_str()) == 0) return made();
  }
  close(lock);
  if (created) unlink(PortEntryLockPath(link).c_str());
  if (link_error != EEXIST) {
    *error = "cannot create " + link + ": " + std::strerror(link_error);
    return Link::kFailed;
  }
  *error = taken;
  return Link::kTaken;
}

void PtyPort::RemoveStaleEntries() {
  DIR* dir = opendir(PortDirPath().c_str());
  if (dir == nullptr) return;
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    const std::string suffix = ".lock";
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    const std::string entry = PortDirPath() + "/" + name.substr(0, name.size() - suffix.size());
    if (PortEntryOwnerOf(entry) != PortEntryOwner::kStale) continue;
    unlink(entry.c_str());
    unlink(PortEntryLockPath(entry).c_str());
  }
  closedir(dir);
}

bool PtyPort::Register(int port, std::string* error) {
  if (EnsurePortDir().empty()) {
    *error = "cannot use the port directory " + PortDirPath() + ": " + RuntimeDirProblem();
    return false;
  }
  RemoveStaleEntries();
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
  if (lock_ >= 0) {
    unlink(PortEntryLockPath(link_).c_str());
    close(lock_);
    lock_ = -1;
  }
  link_.clear();
}

}  // namespace camsim
}  // namespace kelvara
