#pragma once
// The measurement worker's outputs, carried to the windows on the UI
// thread: centre readout and monitor to the view panel, progress and the end
// of a logging run to the logging panel, a new picture to the picture window,
// and the end of a run to the main dialog (UWM_STOP_MEASUREMENT). Nothing
// here blocks the worker. The centre readout and the picture notice are
// coalesced: at most one of each waits in the UI thread's queue.
#include <QObject>
#include <QString>
#include <atomic>
#include <mutex>

#include "measurement_outputs.h"

namespace kelvara {

class CViewImage;
class CLogging;
class CViewPicture;

class QtMeasurementOutputs : public MeasurementOutputs {
 public:
  struct Windows {
    QObject* dialog = nullptr;
    CViewImage* view = nullptr;
    CLogging* logging = nullptr;
    CViewPicture* picture = nullptr;
  };
  // Set before a worker starts; the windows outlive every worker.
  void SetWindows(const Windows& windows) { windows_ = windows; }

  void CentreReadout(const std::string& text) override;
  void MonitorUpdate(double frame_rate, const TemperatureSample& sample) override;
  void LogProgress(int logged, int total) override;
  void LoggingRunEnded() override;
  void RunEndedByItself() override;
  void PictureChanged() override;

  // Pictures rendered since the start (tests, benchmarks).
  long PicturesChanged() const { return pictures_.load(); }

 private:
  Windows windows_;
  std::mutex mutex_;
  QString centre_text_;          // latest readout not yet shown
  bool centre_pending_ = false;  // guarded by mutex_
  std::atomic<long> pictures_{0};
};

}  // namespace kelvara
