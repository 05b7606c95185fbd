#include "qt_measurement_outputs.h"

#include <QMetaObject>

#include "logging_panel.h"
#include "picture_window.h"
#include "view_panel.h"
#include "window_messages.h"

namespace kelvara {

void QtMeasurementOutputs::CentreReadout(const std::string& text) {
  if (!windows_.view) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    centre_text_ = QString::fromStdString(text);
    if (centre_pending_) return;
    centre_pending_ = true;
  }
  CViewImage* view = windows_.view;
  QMetaObject::invokeMethod(
      view,
      [this, view] {
        QString text;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          text = centre_text_;
          centre_pending_ = false;
        }
        view->SetCentreReadout(text);
      },
      Qt::QueuedConnection);
}

void QtMeasurementOutputs::MonitorUpdate(double frame_rate, const TemperatureSample& sample) {
  CViewImage* view = windows_.view;
  if (!view) return;
  QMetaObject::invokeMethod(
      view, [view, frame_rate, sample] { view->UpdateMonitor(frame_rate, sample); }, Qt::QueuedConnection);
}

void QtMeasurementOutputs::LogProgress(int logged, int total) {
  PostWindowMessage(windows_.logging, UWM_LOG_PROGRESS, logged, total);
}

void QtMeasurementOutputs::LoggingRunEnded() {
  CLogging* logging = windows_.logging;
  if (!logging) return;
  QMetaObject::invokeMethod(
      logging, [logging] { logging->LoggingRunEnded(); }, Qt::QueuedConnection);
}

void QtMeasurementOutputs::RunEndedByItself() { PostWindowMessage(windows_.dialog, UWM_STOP_MEASUREMENT); }

void QtMeasurementOutputs::PictureChanged() {
  ++pictures_;
  if (windows_.picture) windows_.picture->PostFrameRendered();  // coalesced by the window
}

}  // namespace kelvara
