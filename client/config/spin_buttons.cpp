#include "config/spin_buttons.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

namespace kelvara {

bool ParseFieldInt(const QString& text, int* value) {
  bool ok = false;
  const qlonglong v = text.trimmed().toLongLong(&ok);
  if (!ok || v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

SpinButtons::SpinButtons(QLineEdit* buddy, int lowest, int highest, QWidget* parent)
    : QWidget(parent), buddy_(buddy), lowest_(lowest), highest_(highest) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* up = new QToolButton(this);
  auto* down = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  down->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up, down}) {
    b->setFixedSize(16, 10);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    layout->addWidget(b);
  }
  up->setAccessibleName(QStringLiteral("Up"));
  down->setAccessibleName(QStringLiteral("Down"));
  connect(up, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
  buddy_->installEventFilter(this);
}

void SpinButtons::Step(int delta) {
  int v = lowest_;
  if (ParseFieldInt(buddy_->text(), &v)) {
    v = v < lowest_ ? lowest_ : v > highest_ ? highest_ : v;
    if (delta > 0 && v < highest_) ++v;
    if (delta < 0 && v > lowest_) --v;
  }
  buddy_->setText(QString::number(v));
}

bool SpinButtons::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kelvara
