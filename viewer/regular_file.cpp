#include "viewer/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace kelvara {
namespace viewer {

RegularFile::RegularFile(const std::string& path) {
  if (path.empty()) return;
  // O_NONBLOCK so that opening a FIFO does not wait for a writer.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  size_ = st.st_size;
}

RegularFile::~RegularFile() { close(); }

void RegularFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ssize_t RegularFile::readSome(void* buffer, size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, count);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool RegularFile::readExactly(long long offset, void* buffer, size_t count) {
  if (fd_ < 0) return false;
  char* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace viewer
}  // namespace kelvara
