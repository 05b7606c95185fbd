#pragma once
// A stand-in for the main dialog in window tests: records every window
// message posted or sent to it, in arrival order.
#include <QCoreApplication>
#include <QObject>
#include <cstdint>
#include <vector>

#include "shell/window_messages.h"

namespace kelvara {
namespace testing_support {

struct RecordedMessage {
  int message;
  intptr_t wparam;
  intptr_t lparam;
  bool operator==(const RecordedMessage& o) const {
    return message == o.message && wparam == o.wparam && lparam == o.lparam;
  }
};

class MessageRecorder : public QObject {
 public:
  // Delivers what was posted so far and returns everything recorded since
  // the last call.
  std::vector<RecordedMessage> Take() {
    QCoreApplication::sendPostedEvents(this, WindowMessageEvent::Type());
    std::vector<RecordedMessage> taken;
    taken.swap(messages_);
    return taken;
  }

 protected:
  bool event(QEvent* event) override {
    if (event->type() != WindowMessageEvent::Type()) return QObject::event(event);
    const auto* m = static_cast<WindowMessageEvent*>(event);
    messages_.push_back({m->message(), m->wparam(), m->lparam()});
    return true;
  }

 private:
  std::vector<RecordedMessage> messages_;
};

}  // namespace testing_support
}  // namespace kelvara
