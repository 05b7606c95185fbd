#pragma once
// The fuzz input as a file: readers that take a path get a memory file,
// rewritten for each input, reached through /proc/self/fd.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvara {
namespace fuzzing {

inline std::string FileWith(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("fuzz-input", 0);
  if (ftruncate(fd, 0) != 0) return std::string();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) return std::string();
    done += static_cast<size_t>(n);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace fuzzing
}  // namespace kelvara
