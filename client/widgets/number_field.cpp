#include "widgets/number_field.h"

#include <QMessageBox>
#include <algorithm>

#include "config/notifier.h"

namespace kelvara {

// Typed values may run to seven digits either way; the panels refuse what
// lies outside their own ranges.
constexpr int kTypedLimit = 9999999;

QString RangeMessage(int lowest, int highest) {
  return QString::asprintf("Please input number in %d-%d range.", lowest, highest);
}

NumberField::NumberField(int spin_min, int spin_max, QWidget* parent)
    : QSpinBox(parent), spin_min_(spin_min), spin_max_(spin_max) {
  setRange(-kTypedLimit, kTypedLimit);
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
}

void NumberField::SetSpinRange(int spin_min, int spin_max) {
  spin_min_ = spin_min;
  spin_max_ = spin_max;
}

void NumberField::stepBy(int steps) {
  const int next = std::clamp(value() + steps, spin_min_, spin_max_);
  if (next != value()) {
    setValue(next);
    // A spin click counts as an edit that is finished at once.
    emit editingFinished();
  }
}

QAbstractSpinBox::StepEnabled NumberField::stepEnabled() const {
  StepEnabled enabled = StepNone;
  if (value() < spin_max_) enabled |= StepUpEnabled;
  if (value() > spin_min_) enabled |= StepDownEnabled;
  return enabled;
}

void ShowPlainMessage(Notifier* notifier, QWidget* parent, const QString& text) {
  if (notifier) {
    notifier->ShowMessage(text.toStdString(), MessageIcon::kNone);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, parent);
  box.exec();
}

void ShowExclamationMessage(Notifier* notifier, QWidget* parent, const QString& text) {
  if (notifier) {
    notifier->ShowMessage(text.toStdString(), MessageIcon::kExclamation);
    return;
  }
  QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace kelvara
