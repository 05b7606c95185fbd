#pragma once
// Reads a recording: its header, and an index of every whole record. Reading
// stops at the first record that is cut short or fails its checksum (the
// tail of an append that never finished); what lies behind it is counted,
// not read.
#include <cstdint>
#include <string>
#include <vector>

#include "recording/recording_format.h"

namespace kelvara {
namespace recording {

class RecordingReader {
 public:
  RecordingReader() = default;
  ~RecordingReader();
  RecordingReader(const RecordingReader&) = delete;
  RecordingReader& operator=(const RecordingReader&) = delete;

  // Opens `path`, checks its header and indexes its whole records. False
  // with a reason in error() when it is no readable recording; anything but
  // a regular file (a folder, a pipe, a device) is refused before it is
  // opened. While open, a RecordingWriter refuses to empty the file.
  bool Open(const std::string& path);

  const RecordingHeader& header() const { return header_; }
  const std::vector<RecordEntry>& records() const { return records_; }
  // The frame records only, in order.
  const std::vector<RecordEntry>& frames() const { return frames_; }
  // Bytes after the last whole record: 0 for a recording that was closed
  // normally, more when its last append was cut off.
  uint64_t trailing_bytes() const { return trailing_bytes_; }
  const std::string& error() const { return error_; }

  // Reads the payload of `entry` into `out` (entry.payload_size bytes).
  bool ReadPayload(const RecordEntry& entry, unsigned char* out) const;

 private:
  bool Fail(const std::string& why);
  bool ReadHeader(uint64_t* end);
  void IndexRecords(uint64_t offset);

  int fd_ = -1;
  uint64_t file_size_ = 0;
  RecordingHeader header_;
  std::vector<RecordEntry> records_;
  std::vector<RecordEntry> frames_;
  uint64_t trailing_bytes_ = 0;
  std::string error_;
};

}  // namespace recording
}  // namespace kelvara
