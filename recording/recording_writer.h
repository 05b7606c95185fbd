#pragma once
// Writes a recording: the header when opened, then one record per append.
// Each record goes out in one write and carries its length and checksum, so
// whatever happens to the process, the file reads up to its last whole
// record. Not thread-safe: one thread appends.
#include <cstdint>
#include <string>

#include "recording/recording_format.h"

namespace kelvara {
namespace recording {

class RecordingWriter {
 public:
  RecordingWriter() = default;
  ~RecordingWriter();
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  // Creates (or empties) `path` and writes the header. False with a reason
  // in error() when the file cannot be written, is no regular file (a
  // folder, a pipe), or is open in a RecordingReader (a replay) or another
  // RecordingWriter: such a file is left as it is.
  bool Open(const std::string& path, const RecordingHeader& header);
  // Appends one record; `time_ns` counts from the start of the recording.
  // After the first failure every append fails (error() says why).
  bool Append(RecordKind kind, int64_t time_ns, const unsigned char* payload, uint32_t size);
  // Flushes to the disk and closes; false when anything failed.
  bool Close();

  bool is_open() const { return fd_ >= 0; }
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }
  int64_t records() const { return records_; }

 private:
  bool Fail(const char* what);

  int fd_ = -1;
  std::string path_;
  std::string error_;
  int64_t records_ = 0;
};

}  // namespace recording
}  // namespace kelvara
