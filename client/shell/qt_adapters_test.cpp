// The Qt classes that carry news across threads: the session's UI adapter
// and the measurement outputs adapter, fed from a real session's worker
// against the fake camera. Built under TSan too (scripts/test.sh).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

#include "config/qt_notifier.h"
#include "config/testing/recording_notifier.h"
#include "measure/testing/fake_camera.h"
#include "session/session.h"
#include "shell/qt_measurement_outputs.h"
#include "shell/qt_session_observer.h"
#include "testing/await.h"
#include "testing/temp_folder.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

// The dialog's stand-in: records the window messages it receives.
class MessageSink : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() != WindowMessageEvent::Type()) return QObject::event(e);
    messages.push_back(static_cast<WindowMessageEvent*>(e)->message());
    return true;
  }
  std::vector<int> messages;
};

// Runs the UI thread's event loop until `condition` holds.
bool Serve(const std::function<bool()>& condition) {
  return testing::Await(
      [&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return condition();
      },
      std::chrono::seconds(60), std::chrono::milliseconds(0));
}

TEST(QtSessionObserverTest, StatesFromOtherThreadsArriveOnTheUiThreadInOrder) {
  QtMeasurementOutputs outputs;
  RecordingNotifier notifier;
  QtSessionObserver observer(outputs, notifier);
  std::vector<SessionState> seen;
  std::vector<QThread*> threads;
  observer.SetStateHandler([&](SessionState s) {
    seen.push_back(s);
    threads.push_back(QThread::currentThread());
  });
  std::atomic<bool> posted_ran{false};
  std::thread worker([&] {
    observer.StateChanged(SessionState::kMeasuring);
    observer.StateChanged(SessionState::kStopping);
    observer.StateChanged(SessionState::kReady);
    observer.Post([&] { posted_ran = QThread::currentThread() == QCoreApplication::instance()->thread(); });
    observer.ShowMessage("Get mesurement result failed!!", MessageIcon::kExclamation);
  });
  worker.join();
  EXPECT_TRUE(seen.empty()) << "nothing runs on the worker's thread";
  ASSERT_TRUE(Serve([&] { return seen.size() == 3 && posted_ran.load(); }));
  EXPECT_THAT(seen, ElementsAre(SessionState::kMeasuring, SessionState::kStopping, SessionState::kReady));
  for (QThread* t : threads) EXPECT_EQ(t, QCoreApplication::instance()->thread());
  EXPECT_THAT(notifier.Messages(), ElementsAre("Get mesurement result failed!!"));
}

TEST(QtSessionObserverTest, ASessionRunsItsWorkerThroughTheQtAdapters) {
  kelvara::testing::TempFolder folder("kelvara-qt-adapters");
  FakeCamera camera(1);
  QtMeasurementOutputs outputs;
  QtNotifier boxes;
  std::vector<QString> shown;
  boxes.SetPresenter([&](const QString& text, MessageIcon) { shown.push_back(text); });
  QtSessionObserver observer(outputs, boxes);
  MessageSink dialog;
  outputs.SetWindows({&dialog, nullptr, nullptr, nullptr});
  std::vector<SessionState> seen;
  observer.SetStateHandler([&](SessionState s) { seen.push_back(s); });

  SessionOptions options;
  options.program_folder = options.data_folder = folder.path() + "/";
  options.pause = [](int) {};
  options.refresh_angle_file = false;
  options.post = [&](std::function<void()> task) { observer.Post(std::move(task)); };
  Session session(camera, observer, std::move(options));
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);

  // A continuous run, stopped while it goes on, and a start deferred behind
  // its end that runs on the UI thread: 20 frames, ending by itself.
  ASSERT_EQ(session.Start(RunRequest::Continuous()), StartOutcome::kStarted);
  ASSERT_TRUE(Serve([&] { return outputs.PicturesChanged() >= 5; }));
  session.Stop();
  session.Start(RunRequest::Cycles(20));
  ASSERT_TRUE(Serve([&] {
    return session.State() == SessionState::kReady && !dialog.messages.empty() &&
           session.LastSummary().end == RunEnd::kFrameLimit;
  }));
  EXPECT_EQ(session.LastSummary().frames, 20);
  EXPECT_THAT(dialog.messages, ElementsAre(UWM_STOP_MEASUREMENT)) << "the second run ended by itself";
  ASSERT_TRUE(Serve([&] { return !seen.empty() && seen.back() == SessionState::kReady; }));
  EXPECT_EQ(seen.front(), SessionState::kConnecting);
  session.Shutdown();
  boxes.Close();
  // Only the parameter groups the fake camera does not know were reported.
  for (const QString& text : shown) EXPECT_TRUE(text.contains(" parameter failed!! [")) << text.toStdString();
}

}  // namespace
}  // namespace kelvara
