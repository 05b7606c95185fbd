#include "status_strip.h"

#include <QLabel>

namespace kelvara {
namespace {

QLabel* Item(QStatusBar* bar, const char* name, int stretch) {
  auto* label = new QLabel(bar);
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  bar->addPermanentWidget(label, stretch);
  return label;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

StatusStrip::StatusStrip(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("StatusBar"));
  setAccessibleName(QStringLiteral("Status"));
  setSizeGripEnabled(false);
  pixel_ = Item(this, "Pixel", 0);
  connection_ = Item(this, "Connection status", 0);
  received_ = Item(this, "Frames received", 0);
  lost_ = Item(this, "Frames lost", 0);
  logged_ = Item(this, "Frames logged", 0);
  pixel_->hide();
  ShowConnection(LinkState::kNotConnected, std::string(), VersionReply());
  ShowHealth(FrameHealth(), false, false);
}

void StatusStrip::ShowConnection(LinkState state, const std::string& port_name, const VersionReply& version) {
  link_ = state;
  connection_->setText(Text(ConnectionText(state, port_name, version)));
}

void StatusStrip::ShowHealth(const FrameHealth& health, bool any_run, bool live) {
  const HealthTexts texts = FrameHealthTexts(health, any_run);
  received_->setText(Text(texts.received));
  lost_->setText(Text(texts.lost));
  lost_->setToolTip(Text(texts.lost_tooltip));
  logged_->setText(Text(texts.logged));
  for (QLabel* label : {received_, lost_, logged_}) label->setEnabled(live);
}

void StatusStrip::ShowPixel(const QString& text) {
  pixel_->setText(text);
  pixel_->setVisible(!text.isEmpty());
}

}  // namespace kelvara
