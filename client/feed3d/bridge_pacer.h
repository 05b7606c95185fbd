#pragma once
// The pauses of the bridge thread. A stop cuts a pause short, so that a
// stopped bridge thread ends at once instead of sleeping out its wait (up to
// 3000 ms), and a new start never waits long for the old thread.
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kelvara {

class BridgePacer {
 public:
  virtual ~BridgePacer() = default;
  // Pauses `ms` milliseconds. False when 3D display was stopped (before or
  // during the pause).
  virtual bool Pause(int ms) = 0;
  // Wakes a pause after the stopped flag was set.
  virtual void Wake() = 0;
};

// The real clock, watching the 3D stopped flag.
class StopAwarePacer : public BridgePacer {
 public:
  explicit StopAwarePacer(const std::atomic<int>* stopped) : stopped_(stopped) {}
  bool Pause(int ms) override;
  void Wake() override;

 private:
  const std::atomic<int>* stopped_;
  std::mutex mutex_;
  std::condition_variable wake_;
};

}  // namespace kelvara
