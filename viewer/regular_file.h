#pragma once
// Opens a file that a command names, for reading, only when it is a regular
// file: a FIFO, a device or a directory would block the render loop or never
// end, so they count as files that cannot be opened.
#include <sys/types.h>
#include <cstddef>
#include <string>

namespace kelvara {
namespace viewer {

class RegularFile {
 public:
  explicit RegularFile(const std::string& path);
  ~RegularFile();
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  long long size() const { return size_; }
  // Next bytes from the current position; 0 at the end, -1 on error.
  ssize_t readSome(void* buffer, size_t count);
  // Exactly `count` bytes from `offset`; false when fewer could be read
  // (the file shrank, or a read failed).
  bool readExactly(long long offset, void* buffer, size_t count);
  void close();

 private:
  int fd_ = -1;
  long long size_ = 0;
};

}  // namespace viewer
}  // namespace kelvara
