#include "config/qt_notifier.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QThread>
#include <cstdint>
#include <memory>

namespace kelvara {

QtNotifier::QtNotifier(QString title) : title_(std::move(title)) {
  // Requests from other threads wait in a list under the lock; an eventfd
  // wakes the UI thread (no event object crosses the threads).
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) return;
  wake_ = new QSocketNotifier(wake_fd_, QSocketNotifier::Read, this);
  connect(wake_, &QSocketNotifier::activated, this, &QtNotifier::ServeRequests);
}

QtNotifier::~QtNotifier() {
  delete wake_;
  if (wake_fd_ >= 0) close(wake_fd_);
}

void QtNotifier::Present(const QString& text, MessageIcon icon) {
  if (presenter_) {
    presenter_(text, icon);
    return;
  }
  QMessageBox box(icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title_, text,
                  QMessageBox::Ok, parent_.data());
  box.exec();
}

void QtNotifier::ShowMessage(const std::string& text, MessageIcon icon) {
  const QString qtext = QString::fromStdString(text);
  if (QThread::currentThread() == thread()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (closed_) return;
    }
    Present(qtext, icon);
    return;
  }
  // A blocking request that Close() can cut short.
  auto request = std::make_shared<Request>(Request{qtext, icon, false});
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  requests_.push_back(request);
  if (wake_fd_ >= 0) {
    const uint64_t one = 1;
    if (write(wake_fd_, &one, sizeof one) < 0) {
      // The counter cannot overflow with one write per request.
    }
  } else {
    QMetaObject::invokeMethod(this, &QtNotifier::ServeRequests, Qt::QueuedConnection);
  }
  dismissed_.wait(lock, [&] { return request->done || closed_; });
}

void QtNotifier::ServeRequests() {
  uint64_t count = 0;
  if (wake_fd_ >= 0 && read(wake_fd_, &count, sizeof count) < 0) {
    // Nothing to read: an earlier call served everything.
  }
  for (;;) {
    std::shared_ptr<Request> request;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (requests_.empty()) return;
      request = requests_.front();
      requests_.pop_front();
      if (closed_) {
        request->done = true;
        dismissed_.notify_all();
        continue;
      }
    }
    Present(request->text, request->icon);
    std::lock_guard<std::mutex> lock(mutex_);
    request->done = true;
    dismissed_.notify_all();
  }
}

void QtNotifier::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  dismissed_.notify_all();
}

}  // namespace kelvara
