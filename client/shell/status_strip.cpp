#include "shell/status_strip.h"

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

// The label's text, also as its accessible description: assistive tools
// read a label's name, and these labels are named by what they show.
void Show(QLabel* label, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  label->setText(shown);
  label->setAccessibleDescription(shown);
}

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
  warm_up_ = Item(this, "Warm-up", 0);
  warm_up_->setToolTip(QStringLiteral("Warming up while the imager's temperature still rises (see Trends)"));
  ShowWarmUp("--");
  measured_ = Item(this, "Measured distance", 0);
  measured_->setToolTip(QStringLiteral("Shift+click two pixels of the picture to measure the distance between them"));
  recorded_ = Item(this, "Recorded", 0);
  recorded_->setToolTip(QStringLiteral("Frames in the recording and its size (Record in the View panel)"));
  ShowRecorded(RecordedText(0, 0, false), false);
  ShowConnection(LinkState::kNotConnected, std::string(), VersionReply());
  ShowHealth(FrameHealth(), false, false);
}

void StatusStrip::ShowConnection(LinkState state, const std::string& port_name, const VersionReply& version) {
  link_ = state;
  Show(connection_, ConnectionText(state, port_name, version));
}

void StatusStrip::ShowHealth(const FrameHealth& health, bool any_run, bool live) {
  const HealthTexts texts = FrameHealthTexts(health, any_run);
  Show(received_, texts.received);
  Show(lost_, texts.lost);
  lost_->setToolTip(QString::fromStdString(texts.lost_tooltip));
  Show(logged_, texts.logged);
  for (QLabel* label : {received_, lost_, logged_}) label->setEnabled(live);
}

void StatusStrip::ShowPixel(const QString& text) { Show(pixel_, text.toStdString()); }

void StatusStrip::ShowRecorded(const std::string& text, bool live) {
  Show(recorded_, text);
  recorded_->setEnabled(live);
}

void StatusStrip::ShowWarmUp(const std::string& text) { Show(warm_up_, text); }

void StatusStrip::ShowMeasured(const std::string& text) { Show(measured_, text); }

}  // namespace kelvara
