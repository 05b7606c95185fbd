#pragma once
// How library code shows a message to the user. The GUI implements it with
// a modal message box (shown on the UI thread, holding the calling thread
// until dismissed); the capture tool prints to stderr; tests record the
// messages (testing/recording_notifier.h).
#include <string>

namespace kelvara {

enum class MessageIcon { kNone, kExclamation };

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
};

}  // namespace kelvara
