#include "config/setting_panel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>

#include "camera_facts/command_codes.h"
#include "camera_facts/exposure_range.h"
#include "config/spin_buttons.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

QString Id(int id) { return QStringLiteral("id%1").arg(id); }

QLabel* Label(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

constexpr int kExposureNormalLow = kExposureMinUs[0], kExposureNormalHigh = kExposureMaxUs[0];
constexpr int kExposureHighSpeedLow = kExposureMinUs[1], kExposureHighSpeedHigh = kExposureMaxUs[1];

}  // namespace

CSetting::CSetting(QWidget* parent, QObject* hub, CameraLink& link, Notifier& notifier)
    : CSetting(parent, hub, *new ParameterModel(link, notifier), notifier) {
  own_model_.reset(&model_);
}

CSetting::~CSetting() { model_.SetPanel(nullptr); }

CSetting::CSetting(QWidget* parent, QObject* hub, ParameterModel& model, Notifier& notifier)
    : QWidget(parent), hub_(hub), notifier_(notifier), model_(model) {
  model_.SetPanel(this);
  setObjectName(QStringLiteral("id103"));
  fields_.reserve(10);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* group = new QGroupBox(QStringLiteral(" Setting"), this);
  group->setAccessibleName(QStringLiteral("Setting"));
  outer->addWidget(group);
  auto* grid = new QGridLayout(group);
  int row = 0;

  auto add_selector = [&](const QString& label, int id) {
    QLabel* l = Label(label, group);
    auto* box = new QComboBox(group);
    box->setObjectName(Id(id));
    box->setAccessibleName(label);
    l->setBuddy(box);
    grid->addWidget(l, row, 0);
    grid->addWidget(box, row, 1, 1, 3);
    ++row;
    return box;
  };
  format_ = add_selector(QStringLiteral("Format"), 2002);
  mode_ = add_selector(QStringLiteral("Mode"), 2001);
  for (const char* name : kFormatNames) format_->addItem(QString::fromLatin1(name));
  for (const char* name : kModeNames) mode_->addItem(QString::fromLatin1(name));

  // One number field: label, field, spin and unit in one grid row.
  auto place = [&](Field& f, const QString& label, const QString& unit) {
    QLabel* l = Label(label, group);
    l->setBuddy(f.edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(f.edit, row, 1);
    grid->addWidget(f.spin, row, 2);
    if (!unit.isEmpty()) grid->addWidget(Label(unit, group), row, 3);
    ++row;
  };
  const QString no_unit;
  place(AddField(QStringLiteral("Exposure time"), 2010, 2011, &DeviceParameters::exposure_us, kExposureHighSpeedLow,
                 kExposureHighSpeedHigh, kExposureHighSpeedLow, kExposureHighSpeedHigh),
        QStringLiteral("Exposure time"), QStringLiteral("us"));
  place(AddField(QStringLiteral("Frame rate limiter"), 2012, 2013, &DeviceParameters::frame_rate_limiter, 0, 20, 0, 20),
        QStringLiteral("Frame rate limiter"), QStringLiteral("fps"));
  grid->addWidget(Label(QStringLiteral("Amplitude minimum"), group), row++, 0, 1, 4);
  place(AddField(QStringLiteral("All range"), 3010, 3011, &DeviceParameters::amp_min_all, 0, 200, 0, 200),
        QStringLiteral("All range"), no_unit);
  place(AddField(QStringLiteral("Near range (1.5m)"), 3020, 3021, &DeviceParameters::amp_min_near, 0, 200, 0, 200),
        QStringLiteral("Near range (1.5m)"), no_unit);

  grid->addWidget(Label(QStringLiteral("Rotation angle"), group), row++, 0, 1, 4);
  auto* rotation_row = new QHBoxLayout();
  const char* axes[3] = {"x", "y", "z"};
  ParameterValue DeviceParameters::*rotations[3] = {&DeviceParameters::rotation_x, &DeviceParameters::rotation_y,
                                                    &DeviceParameters::rotation_z};
  for (int i = 0; i < 3; ++i) {
    Field& f = AddField(QString::fromLatin1(axes[i]), 2040 + i, 2043 + i, rotations[i], 0, 359, 0, 359);
    QLabel* l = Label(QString::fromLatin1(axes[i]), group);
    l->setBuddy(f.edit);
    rotation_row->addWidget(l);
    rotation_row->addWidget(f.edit);
    rotation_row->addWidget(f.spin);
    rotation_controls_.push_back(f.edit);
    rotation_controls_.push_back(f.spin);
  }
  grid->addLayout(rotation_row, row++, 0, 1, 4);

  place(AddField(QStringLiteral("LED freq. ID"), 2050, 2051, &DeviceParameters::led_freq_id, 0, 16, 0, 16),
        QStringLiteral("LED freq. ID"), no_unit);

  grid->addWidget(Label(QStringLiteral("Pilot LED"), group), row, 0);
  pilot_on_ = new QRadioButton(QStringLiteral("ON"), group);
  pilot_off_ = new QRadioButton(QStringLiteral("OFF"), group);
  pilot_on_->setObjectName(Id(2060));
  pilot_off_->setObjectName(Id(2061));
  pilot_on_->setAccessibleName(QStringLiteral("ON"));
  pilot_off_->setAccessibleName(QStringLiteral("OFF"));
  pilot_ = new QButtonGroup(this);
  pilot_->addButton(pilot_on_, 0);
  pilot_->addButton(pilot_off_, 1);
  grid->addWidget(pilot_on_, row, 1);
  grid->addWidget(pilot_off_, row, 2, 1, 2);
  ++row;

  grid->addWidget(Label(QStringLiteral("Response speed"), group), row++, 0, 1, 4);
  {
    QLabel* l = Label(QStringLiteral("Data size"), group);
    data_size_ = new QComboBox(group);
    data_size_->setObjectName(Id(2070));
    data_size_->setAccessibleName(l->text());
    l->setBuddy(data_size_);
    for (int kb : kDataSizeValues) data_size_->addItem(QString::number(kb));
    grid->addWidget(l, row, 0);
    grid->addWidget(data_size_, row, 1);
    grid->addWidget(Label(QStringLiteral("KB"), group), row, 3);
    ++row;
  }
  place(AddField(QStringLiteral("Interval"), 2071, 2072, &DeviceParameters::interval_us, 0, 10000, 0, 10000),
        QStringLiteral("Interval"), QStringLiteral("us"));
  place(AddField(QStringLiteral("ENR threshold"), 2080, 2081, &DeviceParameters::enr_threshold, 0, 12499, 0, 12499),
        QStringLiteral("ENR threshold"), no_unit);

  set_ = new QPushButton(QStringLiteral("Set"), group);
  set_->setObjectName(Id(2003));
  set_->setAccessibleName(set_->text());
  set_->setAutoDefault(false);
  grid->addWidget(set_, row++, 1, 1, 3);

  // Every number field tells its range and unit.
  for (Field& f : fields_) {
    const int id = f.edit->objectName().mid(2).toInt();
    QString tip;
    if (id == 2010) {
      tip = QString::asprintf("Normal mode: %d to %d us; high speed mode: %d to %d us", kExposureNormalLow,
                              kExposureNormalHigh, kExposureHighSpeedLow, kExposureHighSpeedHigh);
    } else {
      const char* unit = id == 2012 ? " fps" : id == 2071 ? " us" : (id >= 2040 && id <= 2042) ? " degrees" : "";
      tip = QStringLiteral("%1 to %2%3").arg(f.lowest).arg(f.highest).arg(QString::fromLatin1(unit));
    }
    f.edit->setToolTip(tip);
    f.spin->setToolTip(tip);
  }

  connect(format_, QOverload<int>::of(&QComboBox::activated), this, &CSetting::FormatChosen);
  connect(data_size_, QOverload<int>::of(&QComboBox::activated), this,
          [this](int index) { model_.parameters().data_size_kb.current = kDataSizeValues[index]; });
  connect(set_, &QPushButton::clicked, this, &CSetting::Set);

  // No selector entry is chosen before the first read from the camera.
  format_->setCurrentIndex(-1);
  mode_->setCurrentIndex(-1);
  data_size_->setCurrentIndex(-1);
  ShowValues(model_.parameters());
  data_size_->setCurrentIndex(-1);
  ApplyRotationRule(true);
}

CSetting::Field& CSetting::AddField(const QString& label, int edit_id, int spin_id,
                                    ParameterValue DeviceParameters::*value, int lowest, int highest, int spin_lowest,
                                    int spin_highest) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(Id(edit_id));
  edit->setAccessibleName(label);
  auto* spin = new SpinButtons(edit, spin_lowest, spin_highest, this);
  spin->setObjectName(Id(spin_id));
  spin->setAccessibleName(label);
  edit->installEventFilter(this);
  fields_.push_back(Field{edit, spin, value, lowest, highest});
  return fields_.back();
}

void CSetting::ShowValues(const DeviceParameters& p) {
  for (Field& f : fields_) f.edit->setText(QString::number((p.*f.value).current));
  format_->setCurrentIndex(p.format.current >= 0 && p.format.current < format_->count() ? p.format.current : -1);
  mode_->setCurrentIndex(p.mode.current >= 0 && p.mode.current < mode_->count() ? p.mode.current : -1);
  data_size_->setCurrentIndex(DataSizeIndexOfValue(p.data_size_kb.current));
  pilot_on_->setChecked(p.pilot_led.current == 0);
  pilot_off_->setChecked(p.pilot_led.current == 1);
}

void CSetting::SetRotationControlsEnabled(bool enabled) {
  // Never enabled inside a disabled panel (a format refused at a run's
  // start comes back while the run has the panel disabled).
  for (QWidget* w : rotation_controls_) w->setEnabled(enabled && enabled_);
}

void CSetting::ApplyRotationRule(bool panel_enabled) {
  SetRotationControlsEnabled(panel_enabled && IsRotatedFormatIndex(format_->currentIndex()));
}

void CSetting::SetParameterPanelEnabled(bool enabled) {
  enabled_ = enabled;
  for (QWidget* w : std::initializer_list<QWidget*>{format_, mode_, data_size_, pilot_on_, pilot_off_, set_})
    w->setEnabled(enabled);
  for (Field& f : fields_) {
    f.edit->setEnabled(enabled);
    f.spin->setEnabled(enabled);
  }
  ApplyRotationRule(enabled);
}

void CSetting::SetWaitCursor(bool shown) {
  if (shown) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

int CSetting::FormatSelection() const { return format_->currentIndex(); }

bool CSetting::TakeValuesFromControls() {
  DeviceParameters& p = model_.parameters();
  p.format.current = format_->currentIndex();
  p.mode.current = mode_->currentIndex();
  const int pilot = pilot_->checkedId();
  if (pilot >= 0) p.pilot_led.current = pilot;
  // Every field that holds a whole number is taken; the first one that does
  // not gets the focus and one message.
  Field* bad = nullptr;
  for (Field& f : fields_) {
    int v = 0;
    if (ParseFieldInt(f.edit->text(), &v)) {
      (p.*f.value).current = v;
    } else if (bad == nullptr) {
      bad = &f;
    }
  }
  if (bad == nullptr) return true;
  bad->edit->setFocus();
  bad->edit->selectAll();
  notifier_.ShowMessage("Please enter an integer.", MessageIcon::kExclamation);
  return false;
}

void CSetting::Set() {
  if (!TakeValuesFromControls()) return;
  const int chosen = format_->currentIndex();
  model_.ApplyParameters();
  // A refused format returns to the camera's one: the dialog, which followed
  // the pick, follows it back.
  if (format_->currentIndex() != chosen) PostWindowMessage(hub_, UWM_FORMAT_CHANGED, format_->currentIndex(), 0);
}

void CSetting::CheckField(Field& field) {
  DeviceParameters& p = model_.parameters();
  const int remembered = (p.*field.value).current;
  if (!TakeValuesFromControls()) return;
  const int value = (p.*field.value).current;
  const bool exposure = field.value == &DeviceParameters::exposure_us;
  int lowest = field.lowest, highest = field.highest;
  if (exposure) {
    if (p.mode.current == 0) {
      lowest = kExposureNormalLow;
      highest = kExposureNormalHigh;
    } else if (p.mode.current < 0) {
      return;  // no mode selected: any value
    }
  }
  if (value >= lowest && value <= highest) return;
  (p.*field.value).current = remembered;
  ShowValues(p);
  field.edit->setFocus();
  char text[160];
  if (exposure)
    std::snprintf(text, sizeof text, "Please input the following range.\nNormalmode\t%d-%d\nHigh speed mode\t%d-%d",
                  kExposureNormalLow, kExposureNormalHigh, kExposureHighSpeedLow, kExposureHighSpeedHigh);
  else std::snprintf(text, sizeof text, "Please input number in %d-%d range.", lowest, highest);
  notifier_.ShowMessage(text, MessageIcon::kNone);
}

bool CSetting::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && enabled_ && !checking_) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // A box or menu taking the focus is not the user leaving the field.
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      for (Field& f : fields_) {
        if (f.edit == watched && f.edit->isEnabled()) {
          checking_ = true;
          CheckField(f);
          checking_ = false;
          break;
        }
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CSetting::FormatChosen(int index) {
  model_.parameters().format.current = index;
  ApplyRotationRule(enabled_);
  PostWindowMessage(hub_, UWM_FORMAT_CHANGED, index, 0);
}

}  // namespace kelvara
