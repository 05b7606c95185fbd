#pragma once
// The "Trends" window: the five temperatures and the centre distance over
// the whole session (one point a second), the warm-up state, and the
// histogram of the current frame's distances with the view range's markers.
// It lives hidden from the start so that the trends and the warm-up state
// are kept while it is closed. Every call on the UI thread.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "frame/frame_layout.h"
#include "trends/distance_histogram.h"
#include "trends/warm_up.h"

class QChart;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace kelvara {

class HistogramView;
class RenderingModel;

class TrendsWindow : public QWidget {
  Q_OBJECT
 public:
  // `clock` gives seconds on a steady clock (tests pass a fake one).
  TrendsWindow(RenderingModel& model, WarmUpThresholds thresholds, std::function<double()> clock = nullptr,
               QWidget* parent = nullptr);

  // Once a second of a run: the temperatures (and the latest centre
  // distance) become the next point of each trend.
  void AddMonitor(const TemperatureSample& sample);
  // After every frame.
  void SetCentreReadout(const std::string& text);
  // A new picture was rendered: the histogram follows it while shown.
  void FrameRendered();

  WarmUpState WarmUp() const { return warm_up_state_; }
  // Called when the warm-up state changes.
  void SetWarmUpListener(std::function<void(WarmUpState)> listener) { warm_up_listener_ = std::move(listener); }
  // Called with the range the histogram's markers were dragged to.
  void SetRangeListener(std::function<void(int minimum, int maximum)> listener);

  QChart* Chart() const { return chart_; }
  HistogramView* Histogram() const { return histogram_; }
  // Points in each trend (tests, benchmarks). A long session keeps at most
  // kMaxPoints: beyond, every other point goes and later samples are taken
  // at half the rate, so that the chart costs the same after hours.
  int Points() const;
  static constexpr int kMaxPoints = 4000;

 private:
  void AddPoints(double minutes, const TemperatureSample& sample);

  RenderingModel& model_;
  std::function<double()> clock_;
  WarmUpRule warm_up_;
  WarmUpState warm_up_state_ = WarmUpState::kUnknown;
  std::function<void(WarmUpState)> warm_up_listener_;
  std::optional<double> first_seconds_;
  long samples_ = 0;  // temperature samples taken in
  int stride_ = 1;    // every stride_-th sample becomes a point
  std::optional<int> centre_mm_;
  DistanceHistogram bins_;

  QChart* chart_ = nullptr;
  QLineSeries* temperatures_[5] = {};
  QLineSeries* centre_ = nullptr;
  QValueAxis* time_axis_ = nullptr;
  QValueAxis* celsius_axis_ = nullptr;
  QValueAxis* mm_axis_ = nullptr;
  double celsius_low_ = 0, celsius_high_ = 0, mm_low_ = 0, mm_high_ = 0;
  bool any_celsius_ = false, any_mm_ = false;
  QLabel* warm_up_label_ = nullptr;
  HistogramView* histogram_ = nullptr;
};

}  // namespace kelvara
