#include "trends/histogram_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

namespace {
constexpr int kMargin = 4;      // pixels left and right of the plot
constexpr int kGrabPixels = 6;  // how near a press must be to grab a marker
}  // namespace

HistogramView::HistogramView(QWidget* parent) : QWidget(parent) {
  setAccessibleName(QStringLiteral("Distance histogram"));
  setToolTip(QStringLiteral("Drag the markers to set the view range"));
  setMinimumSize(320, 120);
  setMouseTracking(false);
  histogram_.limit = kDistanceLimitMm;
}

int HistogramView::Limit() const { return histogram_.limit > 0 ? histogram_.limit : kDistanceLimitMm; }
int HistogramView::PlotWidth() const { return std::max(width() - 2 * kMargin, 2); }
int HistogramView::ColumnOf(int mm) const { return kMargin + MarkerColumn(mm, Limit(), PlotWidth()); }

void HistogramView::SetHistogram(const DistanceHistogram& histogram) {
  histogram_.limit = histogram.limit;
  histogram_.counts.assign(histogram.counts.begin(), histogram.counts.end());
  histogram_.valid = histogram.valid;
  histogram_.peak = histogram.peak;
  update();
}

void HistogramView::SetRange(ViewRange range) {
  if (drag_ != Drag::kNone || range == range_) return;  // the user's drag wins
  range_ = range;
  update();
}

void HistogramView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const int plot_w = PlotWidth();
  const int plot_h = height() - 2;
  const int bins = static_cast<int>(histogram_.counts.size());
  if (histogram_.peak > 0 && bins > 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette().text());
    for (int i = 0; i < bins; ++i) {
      const int count = histogram_.counts[static_cast<size_t>(i)];
      if (count == 0) continue;
      const int x0 = kMargin + i * plot_w / bins;
      const int x1 = kMargin + (i + 1) * plot_w / bins;
      const int h = std::max(1, static_cast<int>(static_cast<int64_t>(count) * plot_h / histogram_.peak));
      p.drawRect(x0, height() - 1 - h, std::max(x1 - x0, 1), h);
    }
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(220, 40, 40), 2));
  for (int mm : {range_.minimum, range_.maximum}) {
    const int x = ColumnOf(mm);
    p.drawLine(x, 0, x, height());
  }
}

void HistogramView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const int x = event->position().toPoint().x();
  const int to_min = std::abs(x - ColumnOf(range_.minimum));
  const int to_max = std::abs(x - ColumnOf(range_.maximum));
  if (std::min(to_min, to_max) > kGrabPixels) return;
  // Markers on top of each other: the side the mouse is on picks.
  drag_ = to_max < to_min || (to_max == to_min && x > ColumnOf(range_.maximum)) ? Drag::kMaximum : Drag::kMinimum;
}

void HistogramView::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == Drag::kNone) return;
  const int mm = DistanceAtColumn(event->position().toPoint().x() - kMargin, Limit(), PlotWidth());
  range_ = DragMarker(range_, drag_ == Drag::kMaximum, mm, Limit());
  update();
}

void HistogramView::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ == Drag::kNone) return;
  mouseMoveEvent(event);
  drag_ = Drag::kNone;
  if (listener_) listener_(range_);
}

}  // namespace kelvara
