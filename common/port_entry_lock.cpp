#include "common/port_entry_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kelvara {
namespace {

// Open file description locks: owned by the open file, not the process, so
// that testing one never drops a lock this process holds elsewhere.
flock WholeFile(short type) {
  flock l{};
  l.l_type = type;
  l.l_whence = SEEK_SET;
  l.l_start = 0;
  l.l_len = 0;
  return l;
}

}  // namespace

std::string PortEntryLockPath(const std::string& entry_path) { return entry_path + ".lock"; }

PortEntryOwner PortEntryOwnerOf(const std::string& entry_path) {
  const int fd = ::open(PortEntryLockPath(entry_path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? PortEntryOwner::kNone : PortEntryOwner::kStale;
  flock l = WholeFile(F_WRLCK);
  const bool tested = ::fcntl(fd, F_OFD_GETLK, &l) == 0;
  ::close(fd);
  if (!tested) return PortEntryOwner::kStale;
  return l.l_type == F_UNLCK ? PortEntryOwner::kStale : PortEntryOwner::kLive;
}

int TakePortEntryLock(const std::string& entry_path, bool* created) {
  const std::string path = PortEntryLockPath(entry_path);
  *created = true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 && errno == EEXIST) {
    *created = false;
    fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  }
  if (fd < 0) return -1;
  flock l = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_SETLK, &l) != 0) {
    const int error = errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

}  // namespace kelvara
