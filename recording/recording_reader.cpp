#include "recording/recording_reader.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "recording/crc32.h"
#include "recording/le_bytes.h"

namespace kelvara {
namespace recording {
namespace {

bool ReadAt(int fd, uint64_t offset, void* out, size_t size) {
  unsigned char* p = static_cast<unsigned char*>(out);
  while (size > 0) {
    const ssize_t n = pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

RecordingReader::~RecordingReader() {
  if (fd_ >= 0) close(fd_);
}

bool RecordingReader::Fail(const std::string& why) {
  error_ = why;
  return false;
}

bool RecordingReader::Open(const std::string& path) {
  if (fd_ >= 0) close(fd_);
  header_ = RecordingHeader{};
  records_.clear();
  frames_.clear();
  trailing_bytes_ = 0;
  error_.clear();
  // A directory, a pipe or a device is refused before it is opened: opening
  // a pipe would wait for a writer, and a device may never end.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return Fail(path + " is not a regular file");
  fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return Fail("cannot open " + path + ": " + std::strerror(errno));
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return Fail(path + " is not a regular file");
  // Shared while it is read: a recording started into this file meanwhile is
  // refused. A file being recorded right now holds the lock exclusively; it
  // is still read, up to its last whole record.
  (void)flock(fd_, LOCK_SH | LOCK_NB);
  file_size_ = static_cast<uint64_t>(st.st_size);
  uint64_t end = 0;
  if (!ReadHeader(&end)) {
    error_ = path + ": " + error_;
    return false;
  }
  IndexRecords(end);
  return true;
}

bool RecordingReader::ReadHeader(uint64_t* end) {
  unsigned char fixed[kFileHeaderFixedBytes];
  if (!ReadAt(fd_, 0, fixed, sizeof fixed) || std::memcmp(fixed, kMagic, sizeof kMagic) != 0)
    return Fail("not a recording");
  const uint32_t version = static_cast<uint32_t>(GetLe(fixed + 8, 4));
  if (version != kLayoutVersion) return Fail("recording layout " + std::to_string(version) + " is not known");
  const uint32_t body_size = static_cast<uint32_t>(GetLe(fixed + 12, 4));
  if (body_size > kMaxHeaderBodyBytes || sizeof fixed + body_size + kChecksumBytes > file_size_)
    return Fail("recording header is cut short");
  std::vector<unsigned char> body(body_size + kChecksumBytes);
  if (!ReadAt(fd_, sizeof fixed, body.data(), body.size())) return Fail("recording header is cut short");
  const uint32_t crc = Crc32(Crc32(0, fixed, sizeof fixed), body.data(), body_size);
  if (crc != GetLe(body.data() + body_size, 4)) return Fail("recording header is damaged");

  // The checksum holds, so the body is as written; still check every length.
  const unsigned char* p = body.data();
  const unsigned char* stop = p + body_size;
  auto need = [&](size_t n) { return static_cast<size_t>(stop - p) >= n; };
  if (!need(12)) return Fail("recording header is damaged");
  header_.format_code = static_cast<uint16_t>(GetLe(p, 2));
  header_.start_unix_ns = static_cast<int64_t>(GetLe(p + 2, 8));
  const size_t count = GetLe(p + 10, 2);
  p += 12;
  for (size_t i = 0; i < count; ++i) {
    if (!need(5)) return Fail("recording header is damaged");
    CameraReply reply;
    reply.code = p[0];
    const size_t size = GetLe(p + 1, 4);
    p += 5;
    if (!need(size)) return Fail("recording header is damaged");
    reply.payload.assign(p, p + size);
    p += size;
    header_.replies.push_back(std::move(reply));
  }
  *end = sizeof fixed + body_size + kChecksumBytes;
  return true;
}

void RecordingReader::IndexRecords(uint64_t offset) {
  std::vector<unsigned char> payload;
  for (;;) {
    unsigned char head[kRecordHeadBytes];
    if (file_size_ - offset < kRecordHeadBytes + kChecksumBytes) break;
    if (!ReadAt(fd_, offset, head, sizeof head)) break;
    const uint32_t size = static_cast<uint32_t>(GetLe(head, 4));
    const uint8_t kind = head[4];
    if (size > kMaxPayloadBytes ||
        (kind != static_cast<uint8_t>(RecordKind::kFrame) && kind != static_cast<uint8_t>(RecordKind::kTemperatures)))
      break;
    if (file_size_ - offset - kRecordHeadBytes - kChecksumBytes < size) break;
    payload.resize(size + kChecksumBytes);
    if (!ReadAt(fd_, offset + kRecordHeadBytes, payload.data(), payload.size())) break;
    const uint32_t crc = Crc32(Crc32(0, head, sizeof head), payload.data(), size);
    if (crc != GetLe(payload.data() + size, 4)) break;
    RecordEntry e;
    e.kind = static_cast<RecordKind>(kind);
    e.time_ns = static_cast<int64_t>(GetLe(head + 8, 8));
    e.payload_offset = offset + kRecordHeadBytes;
    e.payload_size = size;
    records_.push_back(e);
    if (e.kind == RecordKind::kFrame) frames_.push_back(e);
    offset += kRecordHeadBytes + size + kChecksumBytes;
  }
  trailing_bytes_ = file_size_ - offset;
}

bool RecordingReader::ReadPayload(const RecordEntry& entry, unsigned char* out) const {
  return fd_ >= 0 && ReadAt(fd_, entry.payload_offset, out, entry.payload_size);
}

}  // namespace recording
}  // namespace kelvara
