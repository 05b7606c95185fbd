#pragma once
// A number edit with its spin buttons in one control. The spin buttons stay
// within the spin range; typing may go beyond it, so that the panel's own
// range check (when the field loses the focus) can refuse the value with its
// message, as the user expects from the camera software.
#include <QSpinBox>
#include <QString>

namespace kelvara {

class Notifier;

// "Please input number in %d-%d range."
QString RangeMessage(int lowest, int highest);

class NumberField : public QSpinBox {
  Q_OBJECT
 public:
  NumberField(int spin_min, int spin_max, QWidget* parent = nullptr);

  void SetSpinRange(int spin_min, int spin_max);
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  int spin_min_;
  int spin_max_;
};

// Shows `text` in a plain message box with an OK button, or hands it to
// `notifier` when one is set (tests record the texts).
void ShowPlainMessage(Notifier* notifier, QWidget* parent, const QString& text);
void ShowExclamationMessage(Notifier* notifier, QWidget* parent, const QString& text);

}  // namespace kelvara
