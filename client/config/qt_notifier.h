#pragma once
// The client's message boxes. A message from the UI thread opens a modal
// QMessageBox at once; one from another thread (the measurement worker) is
// queued to the UI thread and holds the caller until the user dismisses it.
// The UI thread never waits for a worker that is showing a box: at shutdown
// Close() dismisses pending boxes and lets their callers go on, so waiting
// for the worker afterwards cannot deadlock.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "config/notifier.h"

class QSocketNotifier;

namespace kelvara {

class QtNotifier : public QObject, public Notifier {
  Q_OBJECT
 public:
  // `title` is the caption of every box.
  explicit QtNotifier(QString title = QStringLiteral("Kelvara"));
  ~QtNotifier() override;

  void ShowMessage(const std::string& text, MessageIcon icon) override;

  // The window the boxes are modal to (may stay unset).
  void SetParent(QWidget* parent) { parent_ = parent; }

  // From now on no box is shown: worker threads waiting for one go on, and
  // later messages are dropped. Called on the UI thread at shutdown.
  void Close();

  // How a box is shown (tests replace the modal box); UI thread only.
  using BoxPresenter = std::function<void(const QString& text, MessageIcon icon)>;
  void SetPresenter(BoxPresenter presenter) { presenter_ = std::move(presenter); }

 private:
  struct Request {
    QString text;
    MessageIcon icon;
    bool done;  // under mutex_
  };
  void Present(const QString& text, MessageIcon icon);
  void ServeRequests();  // UI thread

  QString title_;
  QPointer<QWidget> parent_;
  BoxPresenter presenter_;
  std::mutex mutex_;
  std::condition_variable dismissed_;
  bool closed_ = false;
  std::deque<std::shared_ptr<Request>> requests_;
  int wake_fd_ = -1;
  QSocketNotifier* wake_ = nullptr;
};

}  // namespace kelvara
