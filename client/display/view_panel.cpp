#include "display/view_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "camera_facts/frame_geometry.h"
#include "config/profile_store.h"
#include "display/view_filters.h"
#include "display/view_options.h"
#include "widgets/number_field.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

constexpr int kRangeLimit = kDistanceLimitMm;  // the camera measures below it

QString Id(int control) { return QStringLiteral("id%1").arg(control); }

QPushButton* Button(int control, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(Id(control));  // its accessible name follows its caption
  button->setAutoDefault(false);
  return button;
}

QCheckBox* Check(int control, const QString& text, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(Id(control));
  return box;
}

QLineEdit* Monitor(int control, const QString& name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(Id(control));
  field->setAccessibleName(name);
  field->setReadOnly(true);
  field->setFocusPolicy(Qt::NoFocus);
  field->setMaximumWidth(60);
  return field;
}

// "%.1f" as the C library prints it (halves round to even, as in the logs).
QString OneDecimal(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", value);
  return QString::fromLatin1(text);
}

QString Degrees(double tenths) { return OneDecimal(tenths / 10.0); }

}  // namespace

CViewImage::CViewImage(QWidget* parent, QObject* hub, Profile profile)
    : QWidget(parent), hub_(hub), profile_(std::move(profile)) {
  setAccessibleName(QStringLiteral("View"));
  BuildControls();
  const ViewOptions o = ViewOptions::Load(profile_);
  horizontal_flip_ = o.horizontal_flip ? 1 : 0;
  vertical_flip_ = o.vertical_flip ? 1 : 0;
  // A stored range outside the fields' limits (an edited or old profile) is
  // brought inside them, so that no range message names a value the user
  // never typed.
  range_max_ = std::clamp(o.range_max, 1, kRangeLimit);
  range_min_ = std::clamp(o.range_min, 0, range_max_ - 1);
  // The picture window starts with the stored orientation and range.
  PostWindowMessage(hub_, UWM_SET_FLIP, horizontal_flip_, vertical_flip_);
  PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);
  flying_->setChecked(o.filter_flying);
  smoothing_->setChecked(o.filter_smoothing);
  temporal_->setChecked(o.filter_temporal);
  if (FilterMask() != 0) OnFilters();  // the session starts without filters
  ShowValues();
}

CViewImage::~CViewImage() {
  // A range field that has the focus reports the end of its edit while the
  // child widgets are destroyed, after this object is gone: no checks then.
  maximum_->disconnect(this);
  minimum_->disconnect(this);
}

void CViewImage::BuildControls() {
  auto* group = new QGroupBox(QStringLiteral(" View"), this);
  group->setAccessibleName(QStringLiteral("View"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(group);
  auto* grid = new QGridLayout(group);

  picture_ = Button(3001, QStringLiteral("Picture"), group);
  start_ = Button(3000, QStringLiteral("Start"), group);
  rate_ = Monitor(2012, QStringLiteral("fps"), group);
  rate_->setFixedWidth(rate_->fontMetrics().horizontalAdvance(QStringLiteral("999.9")) + 14);  // the simulator's rates
  start_3d_ = Button(3002, QStringLiteral("3D Start"), group);
  auto* top = new QHBoxLayout;
  top->addWidget(picture_);
  top->addWidget(start_);
  top->addWidget(rate_);
  top->addWidget(new QLabel(QStringLiteral("fps"), group));
  top->addWidget(start_3d_);
  grid->addLayout(top, 0, 0, 1, 4);

  grid->addWidget(new QLabel(QStringLiteral("TRANSFORMATION"), group), 1, 0);
  horizontal_ = Check(3030, QStringLiteral("Horizontal flip"), group);
  vertical_ = Check(3031, QStringLiteral("Vertical flip"), group);
  grid->addWidget(horizontal_, 1, 1);
  grid->addWidget(vertical_, 1, 2);

  grid->addWidget(new QLabel(QStringLiteral("View range"), group), 2, 0);
  maximum_ = new NumberField(1, kRangeLimit, group);
  maximum_->setObjectName(Id(2020));
  maximum_->setAccessibleName(QStringLiteral("Maximum"));
  minimum_ = new NumberField(0, kRangeLimit - 1, group);
  minimum_->setObjectName(Id(2021));
  minimum_->setAccessibleName(QStringLiteral("Minimum"));
  maximum_->setToolTip(QStringLiteral("1 to %1 mm, above the minimum").arg(kRangeLimit));
  minimum_->setToolTip(QStringLiteral("0 to %1 mm, below the maximum").arg(kRangeLimit - 1));
  auto* max_label = new QLabel(QStringLiteral("Maximum"), group);
  max_label->setBuddy(maximum_);
  auto* min_label = new QLabel(QStringLiteral("Minimum"), group);
  min_label->setBuddy(minimum_);
  grid->addWidget(max_label, 2, 1);
  grid->addWidget(maximum_, 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("mm"), group), 2, 3);
  grid->addWidget(min_label, 3, 1);
  grid->addWidget(minimum_, 3, 2);
  grid->addWidget(new QLabel(QStringLiteral("mm"), group), 3, 3);
  auto_range_ = Button(3003, QStringLiteral("Auto range"), group);
  auto_range_->setToolTip(
      QStringLiteral("Sets the view range to the 2nd and 98th percentiles of the distances in the picture"));
  grid->addWidget(auto_range_, 3, 0);
  connect(auto_range_, &QPushButton::clicked, this, &CViewImage::OnAutoRange);
  snapshot_ = Button(3004, QStringLiteral("Snapshot"), group);
  snapshot_->setToolTip(QStringLiteral("Saves the frame on screen into the logging folder (Ctrl+S)"));
  top->addWidget(snapshot_);
  connect(snapshot_, &QPushButton::clicked, this, [this] {
    if (snapshot_action_) snapshot_action_();
  });

  // Checkable: down while every frame received goes into a recording.
  record_ = Button(3065, QStringLiteral("Record"), group);
  record_->setCheckable(true);
  record_->setToolTip(
      QStringLiteral("Records every frame received into the logging folder as <file name>_<time>.kvrec"));
  top->addWidget(record_);
  connect(record_, &QPushButton::toggled, this, [this](bool down) {
    if (record_action_ && !record_action_(down) && down) ShowRecording(false);
  });

  auto* monitor = new QGroupBox(QStringLiteral("Monitor"), group);
  monitor->setAccessibleName(QStringLiteral("Monitor"));
  // Columns: label, then three fields each followed by its unit.
  auto* mgrid = new QGridLayout(monitor);
  centre_ = Monitor(3040, QStringLiteral("Value of Center"), monitor);
  centre_->setMaximumWidth(QWIDGETSIZE_MAX);
  centre_->setMinimumWidth(centre_->fontMetrics().horizontalAdvance(QStringLiteral("-16385 mm")) + 12);
  center_mark_ = Check(3041, QStringLiteral("Center Mark"), monitor);
  mgrid->addWidget(new QLabel(QStringLiteral("Value of Center"), monitor), 0, 0);
  mgrid->addWidget(centre_, 0, 1, 1, 3);
  mgrid->addWidget(center_mark_, 0, 4, 1, 3);
  stop_sampling_ = Check(3056, QStringLiteral("Stop sampling"), monitor);
  mgrid->addWidget(new QLabel(QStringLiteral("TEMPERATURE BOARD"), monitor), 1, 0);
  mgrid->addWidget(stop_sampling_, 1, 1, 1, 3);
  // The temperatures over time, beside the latest ones: the top row is
  // full, and a wider dialog leaves no room beside it for the picture and
  // the 3D view on a 1366 pixel wide screen.
  auto* trends = Button(3060, QStringLiteral("Trends"), monitor);
  trends->setToolTip(QStringLiteral("Temperatures, warm-up and the distance histogram"));
  mgrid->addWidget(trends, 1, 5, 1, 2);
  connect(trends, &QPushButton::clicked, this, [this] {
    if (trends_action_) trends_action_();
  });
  const QString degrees = QStringLiteral("\u00b0C");
  led_ = Monitor(3050, QStringLiteral("LED"), monitor);
  imager_ = Monitor(3051, QStringLiteral("Imager"), monitor);
  const char* corners[4] = {"Upper-left", "Upper-right", "Lower-left", "Lower-right"};
  for (int i = 0; i < 4; ++i) chips_[i] = Monitor(3052 + i, QString::fromLatin1(corners[i]), monitor);
  const int temperature_width = led_->fontMetrics().horizontalAdvance(QStringLiteral("-100.0")) + 12;
  auto add_field = [&](int row, int column, QLineEdit* field) {
    field->setFixedWidth(temperature_width);
    mgrid->addWidget(field, row, column);
    mgrid->addWidget(new QLabel(degrees, monitor), row, column + 1);
  };
  // The LED and the imager's mean in their rows; the chip's four corner
  // temperatures under their own labels.
  mgrid->addWidget(new QLabel(QStringLiteral("LED"), monitor), 2, 0);
  add_field(2, 1, led_);
  mgrid->addWidget(new QLabel(QStringLiteral("Imager"), monitor), 3, 0);
  add_field(3, 1, imager_);
  imager_->setToolTip(QStringLiteral("Mean of the imager chip's four corners"));
  mgrid->addWidget(new QLabel(QStringLiteral("left"), monitor), 3, 3);
  mgrid->addWidget(new QLabel(QStringLiteral("right"), monitor), 3, 5);
  mgrid->addWidget(new QLabel(QStringLiteral("Chip upper"), monitor), 4, 0);
  add_field(4, 3, chips_[0]);
  add_field(4, 5, chips_[1]);
  mgrid->addWidget(new QLabel(QStringLiteral("Chip lower"), monitor), 5, 0);
  add_field(5, 3, chips_[2]);
  add_field(5, 5, chips_[3]);
  grid->addWidget(monitor, 4, 0, 1, 4);
  BuildFilterBoxes(group, grid, 5);

  center_mark_->setChecked(true);

  connect(picture_, &QPushButton::clicked, this, &CViewImage::OnPicture);
  connect(start_, &QPushButton::clicked, this, &CViewImage::OnStart);
  connect(start_3d_, &QPushButton::clicked, this, &CViewImage::On3D);
  connect(horizontal_, &QCheckBox::clicked, this, &CViewImage::OnFlip);
  connect(vertical_, &QCheckBox::clicked, this, &CViewImage::OnFlip);
  connect(center_mark_, &QCheckBox::clicked, this, &CViewImage::OnCenterMark);
  connect(stop_sampling_, &QCheckBox::clicked, this, &CViewImage::OnStopSampling);
  connect(maximum_, &QSpinBox::editingFinished, this, [this] { CheckMaximum(); });
  connect(minimum_, &QSpinBox::editingFinished, this, [this] { CheckMinimum(); });
}

// The filters of the picture and the 3D view, in one row; they never
// change what is logged or recorded.
void CViewImage::BuildFilterBoxes(QWidget* group, QGridLayout* grid, int row) {
  auto* row_layout = new QHBoxLayout;
  row_layout->addWidget(new QLabel(QStringLiteral("FILTERS"), group));
  const struct {
    QCheckBox** box;
    int control;
    const char* text;
    const char* tip;
  } boxes[] = {
      {&flying_, 3070, "Flying pixels", "Hides the pixels floating between two surfaces at a depth edge"},
      {&smoothing_, 3071, "Smoothing", "Smooths each surface without blurring its edges"},
      {&temporal_, 3072, "Temporal", "Averages each pixel over the last frames; a moving edge starts afresh"},
  };
  for (const auto& b : boxes) {
    *b.box = Check(b.control, QString::fromLatin1(b.text), group);
    (*b.box)->setAccessibleName(QString::fromLatin1(b.text));
    (*b.box)->setToolTip(QString::fromLatin1(b.tip) +
                         QStringLiteral(" (picture and 3D view; the logs keep the camera's values)"));
    row_layout->addWidget(*b.box);
    connect(*b.box, &QCheckBox::clicked, this, &CViewImage::OnFilters);
  }
  row_layout->addStretch();
  grid->addLayout(row_layout, row, 0, 1, 4);
}

int CViewImage::FilterMask() const {
  return (flying_->isChecked() ? kFilterFlying : 0) | (smoothing_->isChecked() ? kFilterSpatial : 0) |
         (temporal_->isChecked() ? kFilterTemporal : 0);
}

void CViewImage::OnFilters() { PostWindowMessage(hub_, UWM_SET_FILTERS, FilterMask()); }

void CViewImage::ShowValues() {
  horizontal_->setChecked(horizontal_flip_ != 0);
  vertical_->setChecked(vertical_flip_ != 0);
  maximum_->setValue(range_max_);
  minimum_->setValue(range_min_);
}

void CViewImage::WriteProfile() {
  ViewOptions o;
  o.horizontal_flip = horizontal_flip_ != 0;
  o.vertical_flip = vertical_flip_ != 0;
  o.range_max = range_max_;
  o.range_min = range_min_;
  o.filter_flying = flying_->isChecked();
  o.filter_smoothing = smoothing_->isChecked();
  o.filter_temporal = temporal_->isChecked();
  o.Save(profile_);
}

bool CViewImage::CheckMaximum() {
  const int value = maximum_->value();
  if (value > range_min_ && value <= kRangeLimit) {
    if (value != range_max_) {
      range_max_ = value;
      PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);  // applies from the next frame on
    }
    return true;
  }
  ShowValues();
  maximum_->setFocus();
  ShowPlainMessage(notifier_, this, RangeMessage(range_min_ + 1, kRangeLimit));
  return false;
}

bool CViewImage::CheckMinimum() {
  const int value = minimum_->value();
  if (value >= 0 && value < range_max_) {
    if (value != range_min_) {
      range_min_ = value;
      PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);
    }
    return true;
  }
  ShowValues();
  minimum_->setFocus();
  ShowPlainMessage(notifier_, this, RangeMessage(0, range_max_ - 1));
  return false;
}

void CViewImage::OnPicture() {
  // A range typed but not yet checked is checked now: a refused value
  // starts nothing.
  if (!CheckMaximum() || !CheckMinimum()) return;
  horizontal_flip_ = horizontal_->isChecked() ? 1 : 0;
  vertical_flip_ = vertical_->isChecked() ? 1 : 0;
  WriteProfile();
  PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);
  PostWindowMessage(hub_, UWM_TAKE_PICTURE, 0, 1);
}

void CViewImage::OnStart() {
  if (measuring_) {
    ShowMeasuring(false);
    PostWindowMessage(hub_, UWM_STOP_MEASUREMENT);
    return;
  }
  if (!CheckMaximum() || !CheckMinimum()) return;
  horizontal_flip_ = horizontal_->isChecked() ? 1 : 0;
  vertical_flip_ = vertical_->isChecked() ? 1 : 0;
  WriteProfile();
  PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);
  ShowMeasuring(true);
  PostWindowMessage(hub_, UWM_START_MEASUREMENT, 0, -1);
}

void CViewImage::OnAutoRange() {
  if (!auto_range_source_) return;
  const std::optional<DistanceRange> range = auto_range_source_();
  if (!range) {
    ShowPlainMessage(notifier_, this, QStringLiteral("The picture holds no distances to set the range from."));
    return;
  }
  SetViewRange(range->minimum, range->maximum);
}

void CViewImage::SetViewRange(int minimum, int maximum) {
  range_max_ = maximum;
  range_min_ = minimum;
  ShowValues();
  PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);
}

void CViewImage::OnFlip() {
  horizontal_flip_ = horizontal_->isChecked() ? 1 : 0;
  vertical_flip_ = vertical_->isChecked() ? 1 : 0;
  PostWindowMessage(hub_, UWM_SET_FLIP, horizontal_flip_, vertical_flip_);
}

void CViewImage::OnCenterMark() { PostWindowMessage(hub_, UWM_SET_CENTER_MARK, center_mark_->isChecked() ? 1 : 0); }

void CViewImage::OnStopSampling() {
  PostWindowMessage(hub_, UWM_SET_STOP_SAMPLING, stop_sampling_->isChecked() ? 1 : 0);
}

void CViewImage::On3D() {
  if (!display3d_on_) {
    display3d_on_ = true;
    start_3d_->setText(QStringLiteral("3D Stop"));
    PostWindowMessage(hub_, UWM_START_3D);
  } else {
    Show3DStopped();
    PostWindowMessage(hub_, UWM_STOP_3D);
  }
}

void CViewImage::Show3DStopped() {
  display3d_on_ = false;
  start_3d_->setText(QStringLiteral("3D Start"));
}

void CViewImage::ShowMeasuring(bool measuring) {
  measuring_ = measuring;
  start_->setText(measuring ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void CViewImage::EnableControls(int enable) {
  const bool on = enable != 0;
  picture_->setEnabled(on);
  // The range only changes how frames are shown: it stays editable while a
  // run goes on.
  maximum_->setEnabled(on || measuring_);
  minimum_->setEnabled(on || measuring_);
  auto_range_->setEnabled(on || measuring_);
  if (!measuring_) {
    start_->setEnabled(on);
  } else {
    // A running measurement must stay stoppable.
    start_->setEnabled(true);
    if (on) ShowMeasuring(false);
  }
}

int CViewImage::Minimum() const { return range_min_; }
int CViewImage::Maximum() const { return range_max_; }
bool CViewImage::HorizontalFlip() const { return horizontal_->isChecked(); }
bool CViewImage::VerticalFlip() const { return vertical_->isChecked(); }

void CViewImage::UpdateMonitor(double frame_rate, const TemperatureSample& sample) {
  if (stop_sampling_->isChecked()) {
    for (QLineEdit* field : {led_, imager_, chips_[0], chips_[1], chips_[2], chips_[3]})
      field->setText(QStringLiteral("--"));
  } else {
    const int16_t corners[4] = {sample.upper_left, sample.upper_right, sample.lower_left, sample.lower_right};
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
      chips_[i]->setText(Degrees(corners[i]));
      sum += corners[i];
    }
    imager_->setText(OneDecimal(sum / 40.0));
    led_->setText(Degrees(sample.led));
  }
  rate_->setText(OneDecimal(frame_rate));
}

void CViewImage::SetCentreReadout(const QString& text) { centre_->setText(text); }

void CViewImage::ShowRecording(bool on) {
  const QSignalBlocker quiet(record_);
  record_->setChecked(on);
}

void CViewImage::MarkLive(bool live) {
  for (QLineEdit* field : {rate_, centre_, led_, imager_, chips_[0], chips_[1], chips_[2], chips_[3]})
    field->setEnabled(live);
}

}  // namespace kelvara
