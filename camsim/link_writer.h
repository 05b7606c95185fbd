#pragma once
// Puts a reply on the simulator's side of the terminal: in big writes when
// unpaced, or paced like a real link (bytes per second), and with the
// camera's response-speed pauses (interval after every data-size block).
// Any wait ends early when the stop descriptor becomes readable.
#include <sys/uio.h>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace kelvara {
namespace camsim {

enum class WriteResult { kDone, kStalled, kStopped };

class LinkWriter {
 public:
  // `link_rate` in bytes per second, 0 = as fast as the terminal takes it.
  LinkWriter(int fd, int stop_fd, int64_t link_rate) : fd_(fd), stop_fd_(stop_fd), rate_(link_rate) {}

  // Writes the segments in order. kStalled: the reader took nothing for
  // kStallTimeout (the rest is abandoned); kStopped: the stop descriptor fired.
  WriteResult Write(const iovec* segments, int count, int data_size_kb, int interval_us);

  // Waits until `when` unless the stop descriptor fires first (false).
  bool WaitUntil(std::chrono::steady_clock::time_point when);

  static constexpr std::chrono::seconds kStallTimeout{3};

 private:
  int fd_;
  int stop_fd_;
  int64_t rate_;
};

}  // namespace camsim
}  // namespace kelvara
