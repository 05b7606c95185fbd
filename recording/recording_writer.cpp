#include "recording/recording_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "recording/crc32.h"
#include "recording/le_bytes.h"

namespace kelvara {
namespace recording {
namespace {

// Writes all of `iov`, continuing after short writes and interrupts.
bool WriteAll(int fd, struct iovec* iov, int count) {
  while (count > 0) {
    const ssize_t n = writev(fd, iov, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    size_t left = static_cast<size_t>(n);
    while (count > 0 && left >= iov->iov_len) {
      left -= iov->iov_len;
      ++iov;
      --count;
    }
    if (count > 0) {
      iov->iov_base = static_cast<char*>(iov->iov_base) + left;
      iov->iov_len -= left;
    }
  }
  return true;
}

}  // namespace

RecordingWriter::~RecordingWriter() {
  if (fd_ >= 0) Close();
}

bool RecordingWriter::Fail(const char* what) {
  if (error_.empty()) error_ = std::string(what) + " " + path_ + ": " + std::strerror(errno);
  return false;
}

bool RecordingWriter::Open(const std::string& path, const RecordingHeader& header) {
  path_ = path;
  error_.clear();
  records_ = 0;
  // A recording goes into a regular file (or a device such as /dev/null):
  // a folder, a pipe or a socket is refused before it is opened.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
    error_ = path + " is not a regular file";
    return false;
  }
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd_ < 0) return Fail("cannot create");
  if (fstat(fd_, &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) ||
      fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
    close(fd_);
    fd_ = -1;
    error_ = path + " is not a regular file";
    return false;
  }
  // Held until the recording is closed. A file that a replay or another
  // recording has open is left as it is, not emptied under its reader.
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    close(fd_);
    fd_ = -1;
    error_ = path + " is in use by another program (a replay or another recording of it): choose another file";
    return false;
  }
  if (S_ISREG(st.st_mode) && ftruncate(fd_, 0) != 0) return Fail("cannot empty");
  std::vector<unsigned char> bytes = EncodeHeader(header);
  struct iovec iov {
    bytes.data(), bytes.size()
  };
  // The header reaches the disk before any frame: a recording cut early is
  // still recognised as one.
  if (!WriteAll(fd_, &iov, 1) || fdatasync(fd_) != 0) return Fail("cannot write");
  return true;
}

bool RecordingWriter::Append(RecordKind kind, int64_t time_ns, const unsigned char* payload, uint32_t size) {
  if (fd_ < 0 || failed()) return false;
  if (size > kMaxPayloadBytes) {
    errno = EFBIG;
    return Fail("record too large for");
  }
  unsigned char head[kRecordHeadBytes] = {};
  PutLe(head, size, 4);
  head[4] = static_cast<unsigned char>(kind);
  PutLe(head + 8, static_cast<uint64_t>(time_ns), 8);
  unsigned char sum[kChecksumBytes];
  PutLe(sum, Crc32(Crc32(0, head, sizeof head), payload, size), 4);
  struct iovec iov[3] = {{head, sizeof head}, {const_cast<unsigned char*>(payload), size}, {sum, sizeof sum}};
  if (!WriteAll(fd_, iov, 3)) return Fail("cannot write");
  ++records_;
  return true;
}

bool RecordingWriter::Close() {
  if (fd_ < 0) return !failed();
  if (fdatasync(fd_) != 0) Fail("cannot flush");
  if (close(fd_) != 0) Fail("cannot close");
  fd_ = -1;
  return !failed();
}

}  // namespace recording
}  // namespace kelvara
