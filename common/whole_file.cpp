#include "common/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace kelvara {
namespace {

// Writes all bytes, resuming after partial writes and interruptions.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Opens an existing file for writing without waiting: a pipe that nobody
// reads fails at once (ENXIO) instead of holding the writer. Writes then
// block as usual.
int OpenExisting(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool WriteInPlace(const std::string& path, const char* data, std::size_t size) {
  const int fd = OpenExisting(path, O_WRONLY | O_TRUNC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data, size);
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace

std::string WholeFileTemporaryPath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string suffix = ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
  // A folder entry holds at most kMaxNameBytes bytes: a long name is cut so
  // that its temporary fits wherever the name itself does, and not inside a
  // UTF-8 character.
  const std::size_t room = kMaxNameBytes - 1 - suffix.size();
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return folder + "." + name + suffix;
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, const WholeFileOptions& options) {
  const char* bytes = static_cast<const char*>(data);
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    return WriteInPlace(path, bytes, size);
  const std::string temporary = WholeFileTemporaryPath(path);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, options.mode);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes, size) && (!options.sync || ::fsync(fd) == 0);
  const bool closed = ::close(fd) == 0;
  if (written && closed && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

bool AppendWhole(const std::string& path, const std::string& text, const std::string& header) {
  // Creating exclusively tells, without a race, whether the file is new.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    const std::string all = header + text;
    bool ok = WriteAll(fd, all.data(), all.size());
    if (::close(fd) != 0) ok = false;
    if (!ok) ::unlink(path.c_str());
    return ok;
  }
  if (errno != EEXIST) return false;
  fd = OpenExisting(path, O_WRONLY | O_APPEND);
  if (fd < 0) return false;
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  bool ok = WriteAll(fd, text.data(), text.size());
  // Cut a partial append off again (the file was whole before it).
  if (!ok && regular) (void)::ftruncate(fd, st.st_size);
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace kelvara
