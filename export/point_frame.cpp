#include "export/point_frame.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "camera_facts/format_table.h"

namespace kelvara {
namespace cloud {
namespace {

// Recorded formats whose frames carry point records; an unknown code has none.
bool IsPointFormatCode(uint16_t code) {
  const FormatFacts* f = FormatAt(FormatIndexOfCode(code));
  return f != nullptr && f->family == FrameFamily::kPoint;
}

// A PCD header begins with its comment line or its VERSION line; a plane
// frame begins with sample words.
bool LooksLikePcdHeader(const std::vector<unsigned char>& b) {
  return b.size() >= kPcdHeaderBytes &&
         (std::memcmp(b.data(), "# .PCD", 6) == 0 || std::memcmp(b.data(), "VERSION", 7) == 0);
}

// Reads exactly `size` bytes from the start of `fd`.
bool ReadWhole(int fd, unsigned char* out, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, out + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Closes a descriptor when it goes.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

void SplitFrameBytes(const unsigned char* bytes, size_t size, PointFrame* frame) {
  frame->records.assign(bytes + kPcdHeaderBytes, bytes + kPcdFileBytes);
  frame->amplitude.clear();
  if (size > kPcdFileBytes) {
    const size_t amp = std::min(size - kPcdFileBytes, size_t{kPixelCount} * 2);
    frame->amplitude.assign(bytes + kPcdFileBytes, bytes + kPcdFileBytes + amp);
  }
  frame->time_ns = -1;
}

PointFrame FromFrameBytes(const unsigned char* bytes, size_t size) {
  PointFrame f;
  SplitFrameBytes(bytes, size, &f);
  return f;
}

bool PointFrameSource::Open(const std::string& path, int only, std::string* error) {
  path_ = path;
  only_ = only;
  numbered_ = false;
  from_recording_ = false;
  numbers_.clear();
  note_.clear();
  bytes_.clear();
  // Checked before opening: opening a pipe would wait for a writer, and a
  // device (/dev/zero) or a folder is no frame file whatever it holds.
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = path + " is not a regular file";
    return false;
  }
  Descriptor in{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (in.fd < 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = path + " is not a regular file";
    return false;
  }
  device_ = st.st_dev;
  inode_ = st.st_ino;
  const uint64_t size = static_cast<uint64_t>(st.st_size);

  unsigned char magic[sizeof recording::kMagic] = {};
  if (size >= sizeof magic && ReadWhole(in.fd, magic, sizeof magic) &&
      std::memcmp(magic, recording::kMagic, sizeof magic) == 0)
    return OpenRecording(error);

  // One frame file: its size tells its kind, before anything more is read.
  switch (size) {
    case kMeasurementFrameBytes: note_ = "result frame"; break;
    case kExportFrameBytes: note_ = "export ring frame (the last 85 amplitudes are cut off)"; break;
    case kPcdFileBytes: note_ = "camera PCD (no amplitudes: intensity 0)"; break;
    default:
      *error = path + " is neither a recording nor a point frame (" + std::to_string(size) +
               " bytes; a result frame has 614656, an export ring file 614400, a camera PCD file 460970)";
      return false;
  }
  if (only > 0) {
    *error = path + " holds one frame: --frame " + std::to_string(only) + " is not there";
    return false;
  }
  bytes_.resize(size);
  errno = 0;
  if (!ReadWhole(in.fd, bytes_.data(), bytes_.size())) {
    *error = "cannot read " + path + ": " + (errno != 0 ? std::strerror(errno) : "it was cut short");
    return false;
  }
  if (!LooksLikePcdHeader(bytes_)) {
    *error = path + " does not begin with the camera's PCD header: not a point-format frame";
    return false;
  }
  numbers_.push_back(0);
  return true;
}

bool PointFrameSource::OpenRecording(std::string* error) {
  recording::RecordingReader& reader = recording_;
  if (!reader.Open(path_)) {
    *error = reader.error();
    return false;
  }
  const uint16_t code = reader.header().format_code;
  if (!IsPointFormatCode(code)) {
    char text[96];
    std::snprintf(text, sizeof text, "recorded format 0x%04X has no point records", code);
    *error = path_ + ": " + text;
    return false;
  }
  const auto& entries = reader.frames();
  if (entries.empty()) {
    *error = path_ + ": the recording holds no whole frame";
    return false;
  }
  // Refused as the replay refuses it: every frame must be one result frame.
  for (size_t k = 0; k < entries.size(); ++k) {
    if (entries[k].payload_size != static_cast<uint32_t>(kMeasurementFrameBytes)) {
      *error = path_ + ": frame " + std::to_string(k) + " has " + std::to_string(entries[k].payload_size) +
               " bytes, not " + std::to_string(kMeasurementFrameBytes);
      return false;
    }
  }
  if (only_ >= static_cast<int>(entries.size())) {
    *error =
        path_ + ": no frame " + std::to_string(only_) + " (the recording holds " + std::to_string(entries.size()) + ")";
    return false;
  }
  if (only_ >= 0) {
    numbers_.push_back(only_);
  } else {
    numbered_ = true;
    for (size_t k = 0; k < entries.size(); ++k) numbers_.push_back(static_cast<int>(k));
  }
  from_recording_ = true;
  note_ = "recording of " + std::to_string(entries.size()) + " frame" + (entries.size() == 1 ? "" : "s");
  if (reader.trailing_bytes() > 0) note_ += " (cut off after its last whole frame)";
  return true;
}

bool PointFrameSource::Read(int k, PointFrame* frame, std::string* error) {
  if (numbers_.empty() || k < 0 || k >= count()) {
    *error = path_ + ": no frame " + std::to_string(k);
    return false;
  }
  if (!from_recording_) {
    SplitFrameBytes(bytes_.data(), bytes_.size(), frame);
    return true;
  }
  const recording::RecordEntry& entry = recording_.frames()[static_cast<size_t>(number(k))];
  bytes_.resize(entry.payload_size);
  if (!recording_.ReadPayload(entry, bytes_.data())) {
    *error = path_ + ": frame " + std::to_string(number(k)) + " cannot be read";
    return false;
  }
  SplitFrameBytes(bytes_.data(), bytes_.size(), frame);
  frame->time_ns = entry.time_ns;
  return true;
}

bool PointFrameSource::IsInput(const std::string& path) const {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

}  // namespace cloud
}  // namespace kelvara
