#pragma once
// The parts of a point frame a cloud is made of, found in whatever file
// holds them: a recording, a whole result frame, an export-ring file or a
// logged camera PCD. No PCL here.
//
// A recording is read one frame at a time, so that exporting it needs the
// same memory however long it is.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "recording/recording_reader.h"

namespace kelvara {
namespace cloud {

// One point frame: its records and, where the file has them, the amplitude
// words of the first `amplitude_pixels` pixels.
struct PointFrame {
  std::vector<unsigned char> records;    // kPointRecordsBytes
  std::vector<unsigned char> amplitude;  // 2 bytes per pixel, may be short or empty
  int64_t time_ns = -1;                  // receive time in a recording, else -1
};

// Splits the bytes of a whole result frame or an export-ring file (at least
// kPcdFileBytes) into *frame, reusing its buffers.
void SplitFrameBytes(const unsigned char* bytes, size_t size, PointFrame* frame);
PointFrame FromFrameBytes(const unsigned char* bytes, size_t size);

// The point frames of one input file.
class PointFrameSource {
 public:
  // Opens `path` and checks, without reading any frame, that it holds point
  // frames: a recording of a point format whose frames are all of the
  // camera's frame size (only frame `only` when that is >= 0), or one frame
  // file of a known size. Anything but a regular file (a folder, a pipe, a
  // device) is refused before it is opened. False with the reason in *error.
  bool Open(const std::string& path, int only, std::string* error);

  // How many frames Read gives.
  int count() const { return static_cast<int>(numbers_.size()); }
  // True for a recording read whole: one cloud per frame, each numbered.
  bool numbered() const { return numbered_; }
  // The frame number of the k-th frame (its index in a recording, else 0).
  int number(int k) const { return numbers_[static_cast<size_t>(k)]; }
  // What was opened ("recording of 50 frames", "result frame", ...).
  const std::string& note() const { return note_; }

  // Reads the k-th frame (0 .. count() - 1) into *frame. False with the
  // reason in *error when the file cannot be read any more.
  bool Read(int k, PointFrame* frame, std::string* error);

  // Whether `path` names the input file itself (a link to it included).
  bool IsInput(const std::string& path) const;

 private:
  bool OpenRecording(std::string* error);

  std::string path_;
  int only_ = -1;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  bool numbered_ = false;
  bool from_recording_ = false;
  std::vector<int> numbers_;
  std::string note_;
  recording::RecordingReader recording_;  // open for a recording only
  std::vector<unsigned char> bytes_;      // a frame file's bytes, or a recorded frame
};

}  // namespace cloud
}  // namespace kelvara
