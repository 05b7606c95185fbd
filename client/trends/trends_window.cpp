#include "trends/trends_window.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <chrono>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "display/rendering_model.h"
#include "trends/histogram_view.h"

namespace kelvara {

namespace {

constexpr int kHistogramBins = 250;  // 50 mm each over the measuring range

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

QString WarmUpCaption(WarmUpState state) {
  return QStringLiteral("Warm-up: ") + QString::fromLatin1(WarmUpText(state));
}

// Widens [low, high] to take `value`, with a margin so that the line does
// not touch the frame.
void Widen(double value, bool* any, double* low, double* high, double margin) {
  if (!*any) {
    *any = true;
    *low = value - margin;
    *high = value + margin;
    return;
  }
  *low = std::min(*low, value - margin);
  *high = std::max(*high, value + margin);
}

}  // namespace

TrendsWindow::TrendsWindow(RenderingModel& model, WarmUpThresholds thresholds, std::function<double()> clock,
                           QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      clock_(clock ? std::move(clock) : std::function<double()>(SteadySeconds)),
      warm_up_(thresholds) {
  setWindowTitle(QStringLiteral("Trends"));
  setAccessibleName(QStringLiteral("Trends"));
  setObjectName(QStringLiteral("Trends"));

  chart_ = new QChart;
  chart_->setTitle(QStringLiteral("Temperatures and centre distance"));
  const char* names[5] = {"LED", "Upper-left", "Upper-right", "Lower-left", "Lower-right"};
  time_axis_ = new QValueAxis;
  time_axis_->setTitleText(QStringLiteral("min"));
  time_axis_->setRange(0, 1);
  celsius_axis_ = new QValueAxis;
  celsius_axis_->setTitleText(QStringLiteral("\u00b0C"));
  mm_axis_ = new QValueAxis;
  mm_axis_->setTitleText(QStringLiteral("mm"));
  chart_->addAxis(time_axis_, Qt::AlignBottom);
  chart_->addAxis(celsius_axis_, Qt::AlignLeft);
  chart_->addAxis(mm_axis_, Qt::AlignRight);
  for (int i = 0; i < 5; ++i) {
    temperatures_[i] = new QLineSeries;
    temperatures_[i]->setName(QString::fromLatin1(names[i]));
    chart_->addSeries(temperatures_[i]);
    temperatures_[i]->attachAxis(time_axis_);
    temperatures_[i]->attachAxis(celsius_axis_);
  }
  centre_ = new QLineSeries;
  centre_->setName(QStringLiteral("Centre distance"));
  chart_->addSeries(centre_);
  centre_->attachAxis(time_axis_);
  centre_->attachAxis(mm_axis_);

  auto* view = new QChartView(chart_, this);
  view->setAccessibleName(QStringLiteral("Temperatures and centre distance"));
  view->setRenderHint(QPainter::Antialiasing, false);
  view->setMinimumSize(480, 280);

  warm_up_label_ = new QLabel(WarmUpCaption(warm_up_state_), this);
  warm_up_label_->setAccessibleName(QStringLiteral("Warm-up state"));
  histogram_ = new HistogramView(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view, 3);
  layout->addWidget(warm_up_label_);
  layout->addWidget(new QLabel(QStringLiteral("Distances of the frame on screen (markers: view range)"), this));
  layout->addWidget(histogram_, 1);
}

void TrendsWindow::SetRangeListener(std::function<void(int, int)> listener) {
  histogram_->SetRangeListener([listener = std::move(listener)](ViewRange r) {
    if (listener) listener(r.minimum, r.maximum);
  });
}

int TrendsWindow::Points() const { return static_cast<int>(temperatures_[0]->count()); }

void TrendsWindow::SetCentreReadout(const std::string& text) { centre_mm_ = CentreDistanceOfReadout(text); }

void TrendsWindow::AddMonitor(const TemperatureSample& s) {
  if (!IsReadSample(s)) return;
  const double now = clock_();
  if (!first_seconds_) first_seconds_ = now;
  const double minutes = (now - *first_seconds_) / 60.0;
  warm_up_.Add(now, s);
  if (samples_++ % stride_ == 0) AddPoints(minutes, s);
  const WarmUpState state = warm_up_.State();
  if (state != warm_up_state_) {
    warm_up_state_ = state;
    warm_up_label_->setText(WarmUpCaption(state));
    if (warm_up_listener_) warm_up_listener_(state);
  }
}

void TrendsWindow::AddPoints(double minutes, const TemperatureSample& s) {
  const int16_t values[5] = {s.led, s.upper_left, s.upper_right, s.lower_left, s.lower_right};
  for (int i = 0; i < 5; ++i) {
    const double celsius = values[i] / 10.0;
    temperatures_[i]->append(minutes, celsius);
    Widen(celsius, &any_celsius_, &celsius_low_, &celsius_high_, 0.5);
  }
  if (centre_mm_) {
    centre_->append(minutes, *centre_mm_);
    Widen(*centre_mm_, &any_mm_, &mm_low_, &mm_high_, 10);
    mm_axis_->setRange(mm_low_, mm_high_);
  }
  celsius_axis_->setRange(celsius_low_, celsius_high_);
  time_axis_->setRange(0, std::max(minutes, 1.0));
  if (Points() <= kMaxPoints) return;
  for (QLineSeries* series :
       {temperatures_[0], temperatures_[1], temperatures_[2], temperatures_[3], temperatures_[4], centre_}) {
    const QList<QPointF> points = series->points();
    QList<QPointF> kept;
    kept.reserve(points.size() / 2 + 1);
    for (qsizetype i = 0; i < points.size(); i += 2) kept.append(points[i]);
    series->replace(kept);
  }
  stride_ *= 2;
}

void TrendsWindow::FrameRendered() {
  histogram_->SetRange({model_.range_min.load(), model_.range_max.load()});
  if (!isVisible()) return;
  const int format = model_.display_format.load();
  {
    PictureReader reader = model_.ReadPicture();
    if (IsAmplitudeOnlyFormat(format) || !reader.SlotReady(0)) {
      ComputeDistanceHistogram(nullptr, 0, kDistanceLimitMm, kHistogramBins, &bins_);
    } else {
      ComputeDistanceHistogram(reader.SamplePlane(0), kImagePixels, kDistanceLimitMm, kHistogramBins, &bins_);
    }
  }
  histogram_->SetHistogram(bins_);
}

}  // namespace kelvara
