#include "shell/qt_session_observer.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QMetaObject>
#include <QSocketNotifier>
#include <cstdint>

namespace kelvara {

QtSessionObserver::QtSessionObserver(QtMeasurementOutputs& outputs, Notifier& notifier)
    : outputs_(outputs), notifier_(notifier) {
  // As the measurement outputs do: the tasks wait under a lock, an eventfd
  // wakes the UI thread (no event object crosses the threads).
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) return;
  wake_ = new QSocketNotifier(wake_fd_, QSocketNotifier::Read, this);
  connect(wake_, &QSocketNotifier::activated, this, &QtSessionObserver::RunTasks);
}

QtSessionObserver::~QtSessionObserver() {
  delete wake_;
  if (wake_fd_ >= 0) close(wake_fd_);
}

void QtSessionObserver::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  tasks_.push_back(std::move(task));
  if (wake_fd_ < 0) {
    // Without an eventfd, Qt's queue wakes the UI thread.
    QMetaObject::invokeMethod(this, &QtSessionObserver::RunTasks, Qt::QueuedConnection);
    return;
  }
  if (woken_) return;
  woken_ = true;
  const uint64_t one = 1;
  if (write(wake_fd_, &one, sizeof one) < 0) {
    // The counter cannot overflow with one write per delivery.
  }
}

void QtSessionObserver::RunTasks() {
  uint64_t count = 0;
  if (wake_fd_ >= 0 && read(wake_fd_, &count, sizeof count) < 0) {
    // Nothing to read: an earlier delivery took everything.
  }
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = false;
    tasks.swap(tasks_);
  }
  // In the order posted; a task may post more, which wake the thread again.
  for (auto& task : tasks) task();
}

void QtSessionObserver::StateChanged(SessionState state) {
  Post([this, state] {
    if (handler_) handler_(state);
  });
}

}  // namespace kelvara
