#include "shell/status_strip.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kelvara {
namespace {

QLabel* Item(QBoxLayout* row, const char* name) {
  auto* label = new QLabel;
  label->setObjectName(QString::fromLatin1(name));
  label->setAccessibleName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  row->addWidget(label);
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
  // Two rows over the whole width, so that every item stays visible in a
  // dialog narrow enough to leave room for the picture beside it on a 1366
  // pixel wide screen: the status line and the connection with the run's
  // figures, then the pixel readouts, the recording and the warm-up.
  auto* items = new QWidget(this);
  auto* rows = new QVBoxLayout(items);
  rows->setContentsMargins(4, 0, 4, 0);
  rows->setSpacing(0);
  auto* top = new QHBoxLayout;
  auto* bottom = new QHBoxLayout;
  // Nested rows would take the outer layout's spacing of 0.
  top->setSpacing(12);
  bottom->setSpacing(12);
  rows->addLayout(top);
  rows->addLayout(bottom);
  addPermanentWidget(items, 1);
  line_ = Item(top, "Status line");
  // A long line must not widen the dialog: it is cut, and whole in its tooltip.
  line_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  top->setStretchFactor(line_, 1);
  connection_ = Item(top, "Connection status");
  received_ = Item(top, "Frames received");
  lost_ = Item(top, "Frames lost");
  logged_ = Item(top, "Frames logged");
  pixel_ = Item(bottom, "Pixel");
  bottom->addStretch(1);
  measured_ = Item(bottom, "Measured distance");
  measured_->setToolTip(QStringLiteral("Shift+click two pixels of the picture to measure the distance between them"));
  recorded_ = Item(bottom, "Recorded");
  recorded_->setToolTip(QStringLiteral("Frames in the recording and its size (Record in the View panel)"));
  warm_up_ = Item(bottom, "Warm-up");
  warm_up_->setToolTip(QStringLiteral("Warming up while the imager's temperature still rises (see Trends)"));
  ShowWarmUp("--");
  // The second row keeps its height while its items are empty, so that the
  // dialog does not grow when the mouse comes over the picture.
  pixel_->setMinimumHeight(pixel_->fontMetrics().height());
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

void StatusStrip::ShowLine(const QString& text) {
  Show(line_, text.toStdString());
  line_->setToolTip(text);
}

QString StatusStrip::Line() const { return line_->text(); }

void StatusStrip::ShowPixel(const QString& text) { Show(pixel_, text.toStdString()); }

void StatusStrip::ShowRecorded(const std::string& text, bool live) {
  Show(recorded_, text);
  recorded_->setEnabled(live);
}

void StatusStrip::ShowWarmUp(const std::string& text) { Show(warm_up_, text); }

void StatusStrip::ShowMeasured(const std::string& text) { Show(measured_, text); }

}  // namespace kelvara
