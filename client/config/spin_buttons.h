#pragma once
// A number field with its spin: a single-line edit holding a signed 32-bit
// integer and two arrow buttons (and the Up/Down keys) that step it within
// the spin's range, writing plain integers without separators.
#include <QLineEdit>
#include <QWidget>

class QToolButton;

namespace kelvara {

class SpinButtons : public QWidget {
  Q_OBJECT
 public:
  SpinButtons(QLineEdit* buddy, int lowest, int highest, QWidget* parent = nullptr);
  void Step(int delta);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* buddy_;
  int lowest_;
  int highest_;
};

// Parses a whole decimal number that fits a signed 32-bit integer
// (surrounding blanks allowed). False for anything else.
bool ParseFieldInt(const QString& text, int* value);

}  // namespace kelvara
