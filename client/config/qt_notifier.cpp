#include "qt_notifier.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <memory>

namespace kelvara {

QtNotifier::QtNotifier(QString title) : title_(std::move(title)) {}

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
  // A blocking queued call that Close() can cut short.
  auto done = std::make_shared<bool>(false);
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  QMetaObject::invokeMethod(
      this,
      [this, qtext, icon, done] {
        bool show = false;
        {
          std::lock_guard<std::mutex> l(mutex_);
          show = !closed_;
        }
        if (show) Present(qtext, icon);
        std::lock_guard<std::mutex> l(mutex_);
        *done = true;
        dismissed_.notify_all();
      },
      Qt::QueuedConnection);
  dismissed_.wait(lock, [&] { return *done || closed_; });
}

void QtNotifier::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  dismissed_.notify_all();
}

}  // namespace kelvara
