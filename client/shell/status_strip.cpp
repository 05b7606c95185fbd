#include "shell/status_strip.h"

#include <QGridLayout>
#include <QLabel>

namespace kelvara {
namespace {

QLabel* Item(QWidget* items, const char* name, int row, int column, int span = 1) {
  auto* label = new QLabel(items);
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  static_cast<QGridLayout*>(items->layout())->addWidget(label, row, column, 1, span);
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
  // Two rows beside the status line: the connection and the run's figures,
  // then the pixel readouts, so that every item stays visible in a dialog
  // that fits beside the picture on a 1366 pixel wide screen.
  auto* items = new QWidget(this);
  auto* grid = new QGridLayout(items);
  grid->setContentsMargins(0, 0, 4, 0);
  grid->setVerticalSpacing(0);
  addPermanentWidget(items);
  connection_ = Item(items, "Connection status", 0, 0);
  received_ = Item(items, "Frames received", 0, 1);
  lost_ = Item(items, "Frames lost", 0, 2);
  logged_ = Item(items, "Frames logged", 0, 3);
  recorded_ = Item(items, "Recorded", 0, 4);
  recorded_->setToolTip(QStringLiteral("Frames in the recording and its size (Record in the View panel)"));
  warm_up_ = Item(items, "Warm-up", 0, 5);
  warm_up_->setToolTip(QStringLiteral("Warming up while the imager's temperature still rises (see Trends)"));
  ShowWarmUp("--");
  pixel_ = Item(items, "Pixel", 1, 0, 3);
  measured_ = Item(items, "Measured distance", 1, 3, 3);
  measured_->setToolTip(QStringLiteral("Shift+click two pixels of the picture to measure the distance between them"));
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
