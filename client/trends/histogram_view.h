#pragma once
// The histogram of the current frame's distances, with the view range's two
// markers; dragging a marker sets the view range (through the listener,
// when the mouse is let go).
#include <QWidget>
#include <functional>

#include "trends/distance_histogram.h"

namespace kelvara {

class HistogramView : public QWidget {
  Q_OBJECT
 public:
  explicit HistogramView(QWidget* parent = nullptr);

  // The bins of the frame on screen; the markers at `range`.
  void SetHistogram(const DistanceHistogram& histogram);
  void SetRange(ViewRange range);
  ViewRange Range() const { return range_; }
  const DistanceHistogram& Histogram() const { return histogram_; }
  // Called with the new range when a marker has been dragged.
  void SetRangeListener(std::function<void(ViewRange)> listener) { listener_ = std::move(listener); }

  // The pixel column of a distance, as drawn (tests).
  int ColumnOf(int mm) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  enum class Drag { kNone, kMinimum, kMaximum };
  int Limit() const;
  int PlotWidth() const;

  DistanceHistogram histogram_;
  ViewRange range_{0, 6250};
  Drag drag_ = Drag::kNone;
  std::function<void(ViewRange)> listener_;
};

}  // namespace kelvara
