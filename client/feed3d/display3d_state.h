#pragma once
// Values of the main dialog that the 3D side shares with other threads: the
// 3D stopped flag (the measurement loop writes the export ring only while it
// is 0), the current format index and the view panel's range. Each is an
// atomic; the range's minimum and maximum travel together in one word, so a
// reader never sees half of a change.
#include <atomic>
#include <cstdint>
#include <utility>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

class Display3DState {
 public:
  // 1: 3D display is off (the initial state); 0: on.
  std::atomic<int> stopped{1};
  // Position in the Format list (0 to 6).
  std::atomic<int> format_index{0};

  void SetViewRange(int min, int max) { range_.store(Pack(min, max), std::memory_order_release); }
  std::pair<int, int> ViewRange() const {
    uint64_t v = range_.load(std::memory_order_acquire);
    return {static_cast<int32_t>(static_cast<uint32_t>(v >> 32)), static_cast<int32_t>(static_cast<uint32_t>(v))};
  }

 private:
  static uint64_t Pack(int min, int max) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(min)) << 32) | static_cast<uint32_t>(max);
  }
  std::atomic<uint64_t> range_{Pack(0, kDistanceLimitMm)};
};

}  // namespace kelvara
