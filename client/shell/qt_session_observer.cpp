#include "qt_session_observer.h"

#include <QMetaObject>

namespace kelvara {

QtSessionObserver::QtSessionObserver(QtMeasurementOutputs& outputs, Notifier& notifier)
    : outputs_(outputs), notifier_(notifier) {}

void QtSessionObserver::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  // One wake-up per task; each runs whatever is queued by then, in order.
  // Dropped when this object (on the UI thread) is gone.
  QMetaObject::invokeMethod(this, &QtSessionObserver::RunTasks, Qt::QueuedConnection);
}

void QtSessionObserver::RunTasks() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

void QtSessionObserver::StateChanged(SessionState state) {
  Post([this, state] {
    if (handler_) handler_(state);
  });
}

}  // namespace kelvara
