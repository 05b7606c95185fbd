// The Qt notifier: a box asked for on another thread is shown on the UI
// thread and holds the caller until dismissed; Close() lets callers go.
#include "config/qt_notifier.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

namespace kelvara {
namespace {

TEST(QtNotifierTest, AWorkerBoxIsShownOnTheUiThreadAndHoldsTheWorker) {
  QtNotifier notifier;
  std::vector<QString> shown;
  std::atomic<bool> worker_done{false};
  QThread* shown_on = nullptr;
  notifier.SetPresenter([&](const QString& text, MessageIcon icon) {
    shown_on = QThread::currentThread();
    EXPECT_EQ(icon, MessageIcon::kExclamation);
    // The worker is still held while the box is up.
    EXPECT_FALSE(worker_done.load());
    shown.push_back(text);
  });
  std::thread worker([&] {
    notifier.ShowMessage("Get mesurement result failed!!", MessageIcon::kExclamation);
    worker_done = true;
  });
  while (!worker_done.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Get mesurement result failed!!");
  EXPECT_EQ(shown_on, QCoreApplication::instance()->thread());
}

TEST(QtNotifierTest, CloseReleasesAWaitingWorkerWithoutABox) {
  QtNotifier notifier;
  int shown = 0;
  notifier.SetPresenter([&](const QString&, MessageIcon) { ++shown; });
  std::atomic<bool> asked{false};
  std::thread worker([&] {
    asked = true;
    notifier.ShowMessage("Start measurement failed!!", MessageIcon::kNone);
  });
  while (!asked.load()) std::this_thread::yield();
  notifier.Close();  // the UI thread never serves the queued box
  worker.join();     // and still the worker goes on
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 0);
  notifier.ShowMessage("later", MessageIcon::kNone);
  EXPECT_EQ(shown, 0);
}

TEST(QtNotifierTest, AUiThreadMessageIsShownAtOnce) {
  QtNotifier notifier;
  QString seen;
  notifier.SetPresenter([&](const QString& text, MessageIcon) { seen = text; });
  notifier.ShowMessage("Connection failed!!", MessageIcon::kExclamation);
  EXPECT_EQ(seen, "Connection failed!!");
}

}  // namespace
}  // namespace kelvara
