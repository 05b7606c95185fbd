#include "updater/table_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelvara {
namespace upload {

bool ReadTableFile(const std::string& path, std::size_t max_bytes, std::vector<unsigned char>* table,
                   std::string* error) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = (errno == ENOENT ? "no table file " : "cannot read table file ") + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  bool ok = false;
  if (::fstat(fd, &st) != 0) {
    *error = "cannot read table file " + path + ": " + std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    *error = "table file " + path + " is not a regular file";
  } else if (st.st_size == 0) {
    *error = "table file " + path + " is empty";
  } else if (static_cast<unsigned long long>(st.st_size) > max_bytes) {
    *error = "table file " + path + " is larger than 16 MiB";
  } else {
    // Read at most one byte more than allowed: a file that grew meanwhile
    // is refused rather than cut.
    table->resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t got = 0;
    for (;;) {
      const ssize_t n = ::read(fd, table->data() + got, table->size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        if (!ok) *error = "cannot read table file " + path + ": " + std::strerror(errno);
        break;
      }
      got += static_cast<std::size_t>(n);
      if (got == table->size()) {
        if (got > max_bytes) {
          *error = "table file " + path + " is larger than 16 MiB";
          break;
        }
        table->resize(got + 4096);
      }
    }
    table->resize(got);
    if (ok && got == 0) {
      ok = false;
      *error = "table file " + path + " is empty";
    }
  }
  ::close(fd);
  return ok;
}

}  // namespace upload
}  // namespace kelvara
