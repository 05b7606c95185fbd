#pragma once
// How library code shows a message to the user. The GUI implements it with
// a modal message box (shown on the UI thread, holding the calling thread
// until dismissed); the capture tool prints to stderr; tests record.
#include <mutex>
#include <string>
#include <vector>

namespace kelvara {

enum class MessageIcon { kNone, kExclamation };

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
};

// A notifier that remembers every message (tests).
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
