#include "feed3d/bridge_pacer.h"

#include <chrono>

namespace kelvara {

bool StopAwarePacer::Pause(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto stopped = [this] { return stopped_->load() != 0; };
  wake_.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms), stopped);
  return !stopped();
}

void StopAwarePacer::Wake() {
  // Taking the lock orders the wake after a pause that has just checked the flag.
  { std::lock_guard<std::mutex> lock(mutex_); }
  wake_.notify_all();
}

}  // namespace kelvara
