#pragma once
// The newest frame a run received, kept for a snapshot of what the screen
// shows. The worker keeps each frame (one copy into a buffer reused from
// frame to frame); the UI thread takes a copy. No Qt.
#include <cstddef>
#include <mutex>
#include <vector>

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

 private:
  mutable std::mutex mutex_;
  std::vector<unsigned char> bytes_;
  int format_index_ = 0;
};

}  // namespace kelvara
