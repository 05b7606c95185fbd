#pragma once
// The session's news carried to the UI thread: the measurement outputs go
// to QtMeasurementOutputs (its mailbox), messages to the message boxes, and
// every state change is queued to the UI thread, where the handler sees
// them in the order the session made them. It also runs the session's
// deferred tasks on the UI thread (SessionOptions::post).
#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

#include "session/session.h"
#include "shell/qt_measurement_outputs.h"

class QSocketNotifier;

namespace kelvara {

class QtSessionObserver : public QObject, public SessionObserver {
  Q_OBJECT
 public:
  // Created on the UI thread; `outputs` and `notifier` outlive it.
  QtSessionObserver(QtMeasurementOutputs& outputs, Notifier& notifier);
  ~QtSessionObserver() override;

  // Called on the UI thread with each state the session reported.
  void SetStateHandler(std::function<void(SessionState)> handler) { handler_ = std::move(handler); }
  // Runs `task` on the UI thread, later (from any thread).
  void Post(std::function<void()> task);

  void StateChanged(SessionState state) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override { notifier_.ShowMessage(text, icon); }
  void CentreReadout(const std::string& text) override { outputs_.CentreReadout(text); }
  void MonitorUpdate(double rate, const TemperatureSample& sample) override { outputs_.MonitorUpdate(rate, sample); }
  void LogProgress(int logged, int total) override { outputs_.LogProgress(logged, total); }
  void LoggingRunEnded() override { outputs_.LoggingRunEnded(); }
  void RunEndedByItself() override { outputs_.RunEndedByItself(); }
  void PictureChanged() override { outputs_.PictureChanged(); }
  void FrameHealthUpdate(const FrameHealth& health) override { outputs_.FrameHealthUpdate(health); }
  // Every frame received, on the worker thread (set before any run).
  void SetFrameHandler(std::function<void(const unsigned char*, size_t)> handler) {
    frame_handler_ = std::move(handler);
  }
  void FrameReceived(const unsigned char* frame, size_t size, int64_t) override {
    if (frame_handler_) frame_handler_(frame, size);
  }

 private:
  void RunTasks();  // UI thread

  QtMeasurementOutputs& outputs_;
  Notifier& notifier_;
  std::function<void(SessionState)> handler_;
  std::function<void(const unsigned char*, size_t)> frame_handler_;
  // The tasks travel under this lock; the eventfd only wakes the UI thread.
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  bool woken_ = false;
  int wake_fd_ = -1;
  QSocketNotifier* wake_ = nullptr;
};

}  // namespace kelvara
