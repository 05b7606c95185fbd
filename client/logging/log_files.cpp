#include "log_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "plane_format.h"

namespace kelvara {
namespace {

// Writes all bytes, resuming after partial writes and interruptions.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes and closes `fd` (which may be -1 after a failed open).
bool WriteAndClose(int fd, const char* data, std::size_t size) {
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data, size);
  if (::close(fd) != 0) ok = false;
  return ok;
}

int CreateOrEmpty(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

}  // namespace

bool WriteFileBlock(const std::string& path, const void* data, std::size_t size) {
  return WriteAndClose(CreateOrEmpty(path), static_cast<const char*>(data), size);
}

bool WritePlaneCsv(const std::string& path, PlaneView plane, Mirror mirror, std::vector<char>* buffer) {
  std::vector<char> own;
  std::vector<char>* out = buffer ? buffer : &own;
  const std::size_t size = FormatPlaneCsv(plane, mirror, out);
  return WriteFileBlock(path, out->data(), size);
}

bool WritePlaneRaw(const std::string& path, PlaneView plane, Mirror mirror, std::vector<char>* buffer) {
  std::vector<char> own;
  std::vector<char>* out = buffer ? buffer : &own;
  FormatPlaneRaw(plane, mirror, out);
  return WriteFileBlock(path, out->data(), kRawPlaneBytes);
}

bool AppendToFile(const std::string& path, const std::string& text, const std::string& header) {
  // Creating exclusively tells, without a race, whether the file is new.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    const std::string all = header + text;
    return WriteAndClose(fd, all.data(), all.size());
  }
  if (errno != EEXIST) return false;
  fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  return WriteAndClose(fd, text.data(), text.size());
}

}  // namespace kelvara
