#pragma once
// A QObject that records the window messages it receives (GUI tests), and
// can run a check while a sent message is being handled.
#include <QObject>
#include <functional>
#include <vector>

#include "shell/window_messages.h"

namespace kelvara {
namespace testing {

struct RecordedMessage {
  int message;
  intptr_t wparam;
  intptr_t lparam;
};

class MessageRecorder : public QObject {
 public:
  std::vector<RecordedMessage> messages;
  std::function<void(int message)> on_message;

  bool event(QEvent* e) override {
    if (e->type() != WindowMessageEvent::Type()) return QObject::event(e);
    auto* m = static_cast<WindowMessageEvent*>(e);
    messages.push_back({m->message(), m->wparam(), m->lparam()});
    if (on_message) on_message(m->message());
    return true;
  }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const RecordedMessage& m : messages) ids.push_back(m.message);
    return ids;
  }
};

}  // namespace testing
}  // namespace kelvara
