#pragma once
// How the measurement worker reaches the user interface. The GUI forwards
// each call to its window thread; the capture tool prints; tests record.
// Every call comes from the worker thread.
#include <cstddef>
#include <cstdint>
#include <string>

#include "frame/frame_layout.h"
#include "measure/frame_health.h"

namespace kelvara {

class MeasurementOutputs {
 public:
  virtual ~MeasurementOutputs() = default;
  // After every frame: the text of the "Value of Center" field.
  virtual void CentreReadout(const std::string& text) = 0;
  // At most once per second of the run: frame rate and temperatures.
  virtual void MonitorUpdate(double frame_rate, const TemperatureSample& sample) = 0;
  // After every logged frame: frames logged so far, and the log total in
  // use (-1 after a stop request).
  virtual void LogProgress(int logged, int total) = 0;
  // A logging run has ended.
  virtual void LoggingRunEnded() = 0;
  // The run ended without a stop request.
  virtual void RunEndedByItself() = 0;
  // With each MonitorUpdate and once when the run ends: how the run's
  // frames fared so far.
  virtual void FrameHealthUpdate(const FrameHealth& /*health*/) {}
  // A new picture was rendered: repaint without erasing.
  virtual void PictureChanged() {}
  // Every frame received, whole and unchanged, before anything else sees it,
  // with its receive time on the worker's clock (ns); for recording.
  virtual void FrameReceived(const unsigned char* /*frame*/, size_t /*size*/, int64_t /*receipt_ns*/) {}
};

}  // namespace kelvara
