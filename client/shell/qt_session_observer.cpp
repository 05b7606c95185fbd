#include "qt_session_observer.h"

#include <QMetaObject>

namespace kelvara {

QtSessionObserver::QtSessionObserver(QtMeasurementOutputs& outputs, Notifier& notifier)
    : outputs_(outputs), notifier_(notifier) {}

void QtSessionObserver::Post(std::function<void()> task) {
  // Queued to this object's (the UI) thread; dropped when it is gone.
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtSessionObserver::StateChanged(SessionState state) {
  Post([this, state] {
    if (handler_) handler_(state);
  });
}

}  // namespace kelvara
