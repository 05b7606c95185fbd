#include "shell/qt_measurement_outputs.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cstdint>

#include "display/picture_window.h"
#include "display/view_panel.h"
#include "logging/logging_panel.h"
#include "widgets/window_messages.h"

namespace kelvara {

QtMeasurementOutputs::QtMeasurementOutputs() {
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd_ < 0) return;
  notifier_ = new QSocketNotifier(wake_fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QtMeasurementOutputs::Deliver);
}

QtMeasurementOutputs::~QtMeasurementOutputs() {
  delete notifier_;
  if (wake_fd_ >= 0) close(wake_fd_);
}

void QtMeasurementOutputs::SetWindows(const Windows& windows) {
  std::lock_guard<std::mutex> lock(mutex_);
  windows_ = windows;
}

void QtMeasurementOutputs::Wake() {
  if (woken_ || wake_fd_ < 0) return;
  woken_ = true;
  const uint64_t one = 1;
  if (write(wake_fd_, &one, sizeof one) < 0) {
    // The counter cannot overflow with one write per delivery.
  }
}

void QtMeasurementOutputs::CentreReadout(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  centre_text_ = text;
  centre_pending_ = true;
  Wake();
}

void QtMeasurementOutputs::MonitorUpdate(double frame_rate, const TemperatureSample& sample) {
  std::lock_guard<std::mutex> lock(mutex_);
  frame_rate_ = frame_rate;
  sample_ = sample;
  monitor_pending_ = true;
  Wake();
}

void QtMeasurementOutputs::LogProgress(int logged, int total) {
  std::lock_guard<std::mutex> lock(mutex_);
  ordered_.push_back({Kind::kProgress, logged, total});
  Wake();
}

void QtMeasurementOutputs::LoggingRunEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  ordered_.push_back({Kind::kLoggingEnded, 0, 0});
  Wake();
}

void QtMeasurementOutputs::RunEndedByItself() {
  std::lock_guard<std::mutex> lock(mutex_);
  ordered_.push_back({Kind::kRunEnded, 0, 0});
  Wake();
}

void QtMeasurementOutputs::PictureChanged() {
  ++pictures_;
  std::lock_guard<std::mutex> lock(mutex_);
  picture_pending_ = true;
  Wake();
}

void QtMeasurementOutputs::Deliver() {
  uint64_t count = 0;
  if (read(wake_fd_, &count, sizeof count) < 0) {
    // Nothing to read: a delivery already took everything.
  }
  Windows w;
  bool centre = false, monitor = false, picture = false;
  std::string centre_text;
  double frame_rate = 0;
  TemperatureSample sample{};
  std::vector<Ordered> ordered;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = false;
    w = windows_;
    std::swap(centre, centre_pending_);
    std::swap(monitor, monitor_pending_);
    std::swap(picture, picture_pending_);
    centre_text.swap(centre_text_);
    frame_rate = frame_rate_;
    sample = sample_;
    ordered.swap(ordered_);
  }
  if (centre && w.view) w.view->SetCentreReadout(QString::fromStdString(centre_text));
  if (monitor && w.view) w.view->UpdateMonitor(frame_rate, sample);
  if (picture && w.picture) w.picture->FrameRendered();
  for (const Ordered& o : ordered) {
    switch (o.kind) {
      case Kind::kProgress: SendWindowMessage(w.logging, UWM_LOG_PROGRESS, o.logged, o.total); break;
      case Kind::kLoggingEnded:
        if (w.logging) w.logging->LoggingRunEnded();
        break;
      case Kind::kRunEnded: PostWindowMessage(w.dialog, UWM_STOP_MEASUREMENT); break;
    }
  }
}

}  // namespace kelvara
