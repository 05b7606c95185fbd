#pragma once
// The newest frame a run received, kept for a snapshot of what the screen
// shows. The worker keeps each frame (one copy into a buffer reused from
// frame to frame); the UI thread takes a copy. No Qt.
#include <cstddef>
#include <mutex>
#include <vector>

#include "frame/frame_decode.h"

namespace kelvara {

class LastFrame {
 public:
  // Worker thread.
  void Keep(const unsigned char* frame, size_t size, int format_index) {
    std::lock_guard<std::mutex> lock(mutex_);
    bytes_.assign(frame, frame + size);
    format_index_ = format_index;
  }
  // False when no frame was kept yet.
  bool Copy(std::vector<unsigned char>* bytes, int* format_index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (bytes_.empty()) return false;
    *bytes = bytes_;
    *format_index = format_index_;
    return true;
  }
  // Runs read(bytes, size, format_index) on the kept frame under the lock
  // (bytes nullptr and size 0 when none is kept). Any thread.
  template <typename Read>
  void ReadKept(Read read) const {
    std::lock_guard<std::mutex> lock(mutex_);
    read(bytes_.empty() ? nullptr : bytes_.data(), bytes_.size(), format_index_);
  }
  // The point record of pixel `index` of the kept frame; false when no frame
  // is kept or it is a plane frame. Any thread.
  bool PointAt(int index, PointRecord* point) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return PointRecordAt(format_index_, bytes_.data(), bytes_.size(), index, point);
  }

 private:
  mutable std::mutex mutex_;
  std::vector<unsigned char> bytes_;
  int format_index_ = 0;
};

}  // namespace kelvara
