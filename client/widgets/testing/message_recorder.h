#pragma once
// A stand-in for the main dialog in window tests: records every window
// message posted or sent to it, in arrival order, and can run a check while
// a sent message is being handled.
#include <QCoreApplication>
#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "widgets/window_messages.h"

namespace kelvara {
namespace testing {

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
  std::vector<RecordedMessage> messages;
  std::function<void(int message)> on_message;

  // Delivers what was posted so far and returns everything recorded since
  // the last call.
  std::vector<RecordedMessage> Take() {
    QCoreApplication::sendPostedEvents(this, WindowMessageEvent::Type());
    std::vector<RecordedMessage> taken;
    taken.swap(messages);
    return taken;
  }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const RecordedMessage& m : messages) ids.push_back(m.message);
    return ids;
  }

  bool event(QEvent* e) override {
    if (e->type() != WindowMessageEvent::Type()) return QObject::event(e);
    const auto* m = static_cast<WindowMessageEvent*>(e);
    messages.push_back({m->message(), m->wparam(), m->lparam()});
    if (on_message) on_message(m->message());
    return true;
  }
};

}  // namespace testing
}  // namespace kelvara
