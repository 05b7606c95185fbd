#pragma once
// The measurement worker's outputs, carried to the windows on the UI
// thread: centre readout and monitor to the view panel, progress and the end
// of a logging run to the logging panel, a new picture to the picture window,
// and the end of a run to the main dialog (UWM_STOP_MEASUREMENT).
//
// The worker never blocks here and allocates nothing: it leaves its outputs
// in a small mailbox (a mutex held for a few assignments) and wakes the UI
// thread through an eventfd, which a QSocketNotifier watches. The UI thread
// then hands everything on. Centre readout, monitor values and the picture
// notice are coalesced (the newest counts); progress and the two ends are
// delivered each and in order.
#include <QObject>
#include <QString>
#include <atomic>
#include <mutex>
#include <vector>

#include "measure/measurement_outputs.h"

class QSocketNotifier;

namespace kelvara {

class CViewImage;
class CLogging;
class CViewPicture;

class QtMeasurementOutputs : public QObject, public MeasurementOutputs {
  Q_OBJECT
 public:
  struct Windows {
    QObject* dialog = nullptr;
    CViewImage* view = nullptr;
    CLogging* logging = nullptr;
    CViewPicture* picture = nullptr;
  };

  // Created on the UI thread.
  QtMeasurementOutputs();
  ~QtMeasurementOutputs() override;

  // UI thread, while no worker runs; the windows outlive every worker.
  void SetWindows(const Windows& windows);

  void CentreReadout(const std::string& text) override;
  void MonitorUpdate(double frame_rate, const TemperatureSample& sample) override;
  void LogProgress(int logged, int total) override;
  void LoggingRunEnded() override;
  void RunEndedByItself() override;
  void PictureChanged() override;

  // Pictures rendered since the start (tests, benchmarks).
  long PicturesChanged() const { return pictures_.load(); }

 private:
  enum class Kind { kProgress, kLoggingEnded, kRunEnded };
  struct Ordered {
    Kind kind;
    int logged;
    int total;
  };

  void Wake();     // worker side, with mutex_ held
  void Deliver();  // UI thread

  std::mutex mutex_;  // guards everything below up to pictures_
  Windows windows_;
  bool woken_ = false;
  bool centre_pending_ = false;
  std::string centre_text_;
  bool monitor_pending_ = false;
  double frame_rate_ = 0;
  TemperatureSample sample_{};
  bool picture_pending_ = false;
  std::vector<Ordered> ordered_;
  std::atomic<long> pictures_{0};

  int wake_fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kelvara
