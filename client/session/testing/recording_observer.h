#pragma once
// A session observer for tests: remembers the states, the messages, the
// last frame health and the frames' receive times, in order; safe to call
// from the session's threads.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "session/session.h"

namespace kelvara {
namespace testing {

class RecordingObserver : public SessionObserver {
 public:
  void StateChanged(SessionState state) override {
    std::function<void()> hook;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      states_.push_back(SessionStateName(state));
      if (state == SessionState::kConnecting) hook = on_connecting;
    }
    if (hook) hook();
  }
  void ShowMessage(const std::string& text, MessageIcon) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(text);
  }
  void CentreReadout(const std::string&) override {}
  void MonitorUpdate(double, const TemperatureSample&) override {}
  void LogProgress(int, int) override {}
  void LoggingRunEnded() override {}
  void RunEndedByItself() override {}
  void FrameHealthUpdate(const FrameHealth& health) override {
    std::lock_guard<std::mutex> lock(mutex_);
    health_ = health;
  }

  std::vector<std::string> States() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return states_;
  }
  std::vector<std::string> Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }
  FrameHealth Health() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return health_;
  }
  void FrameReceived(const unsigned char*, size_t, int64_t receipt_ns) override {
    std::lock_guard<std::mutex> lock(mutex_);
    receipts_.push_back(receipt_ns);
  }
  std::vector<int64_t> Receipts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return receipts_;
  }
  // Called (outside the lock) when the state becomes Connecting.
  std::function<void()> on_connecting;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> states_;
  std::vector<std::string> messages_;
  FrameHealth health_;
  std::vector<int64_t> receipts_;
};

}  // namespace testing
}  // namespace kelvara
