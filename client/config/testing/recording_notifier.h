#pragma once
// A notifier that remembers every message, for tests and benchmarks.
#include <mutex>
#include <string>
#include <vector>

#include "config/notifier.h"

namespace kelvara {

class RecordingNotifier : public Notifier {
 public:
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(text);
    icons_.push_back(icon);
  }
  std::vector<std::string> Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }
  std::vector<MessageIcon> Icons() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return icons_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  std::vector<MessageIcon> icons_;
};

}  // namespace kelvara
