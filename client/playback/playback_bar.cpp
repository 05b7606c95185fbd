#include "playback/playback_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

namespace kelvara {

PlaybackBar::PlaybackBar(PlaybackControl& control, QWidget* parent)
    : QGroupBox(QStringLiteral("Playback"), parent), control_(control) {
  setAccessibleName(QStringLiteral("Playback"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 2, 6, 2);  // one low row: the dialog fits a 768-pixel screen
  auto named = [](QWidget* w, const char* name) {
    w->setAccessibleName(QString::fromLatin1(name));
    return w;
  };
  play_ = new QPushButton(QStringLiteral("Play"), this);
  play_->setCheckable(true);
  named(play_, "Play");
  back_ = new QPushButton(QStringLiteral("Step back"), this);
  named(back_, "Step back");
  forward_ = new QPushButton(QStringLiteral("Step forward"), this);
  named(forward_, "Step forward");
  for (QPushButton* b : {play_, back_, forward_}) b->setAutoDefault(false);
  frame_ = new QSlider(Qt::Horizontal, this);
  named(frame_, "Frame");
  frame_->setMinimumWidth(160);
  position_ = new QLabel(this);
  named(position_, "Position");
  auto* speed_label = new QLabel(QStringLiteral("Speed"), this);
  speed_ = new QComboBox(this);
  named(speed_, "Speed");
  speed_label->setBuddy(speed_);
  for (double s : kPlaybackSpeeds) speed_->addItem(QStringLiteral("%1x").arg(s));
  speed_->setCurrentIndex(2);  // 1x
  loop_ = new QCheckBox(QStringLiteral("Loop"), this);
  named(loop_, "Loop");
  row->addWidget(play_);
  row->addWidget(back_);
  row->addWidget(forward_);
  row->addWidget(frame_, 1);
  row->addWidget(position_);
  row->addWidget(speed_label);
  row->addWidget(speed_);
  row->addWidget(loop_);

  connect(play_, &QPushButton::toggled, this,
          [this](bool on) { play_->setText(on ? QStringLiteral("Pause") : QStringLiteral("Play")); });
  connect(play_, &QPushButton::clicked, this, [this](bool on) {
    if (on) {
      control_.Play();
      Tell(Action::kPlay);
    } else {
      control_.Pause();
      Tell(Action::kPause);
    }
  });
  connect(back_, &QPushButton::clicked, this, [this] {
    control_.StepBack();
    Tell(Action::kShow);
  });
  connect(forward_, &QPushButton::clicked, this, [this] {
    control_.StepForward();
    Tell(Action::kShow);
  });
  connect(frame_, &QSlider::valueChanged, this, [this](int value) {
    control_.Seek(value);
    Tell(Action::kShow);
  });
  connect(speed_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
    if (index >= 0 && index < static_cast<int>(std::size(kPlaybackSpeeds)))
      control_.SetSpeed(kPlaybackSpeeds[static_cast<size_t>(index)]);
  });
  connect(loop_, &QCheckBox::toggled, this, [this](bool on) { control_.SetLoop(on); });
  timer_ = new QTimer(this);
  timer_->setInterval(100);
  connect(timer_, &QTimer::timeout, this, &PlaybackBar::Refresh);
  Refresh();
}

void PlaybackBar::Tell(Action action) {
  if (listener_) listener_(action);
}

void PlaybackBar::Refresh() {
  const PlaybackStatus s = control_.Status();
  {
    const QSignalBlocker block(play_);
    play_->setChecked(!s.paused);
    play_->setText(s.paused ? QStringLiteral("Play") : QStringLiteral("Pause"));
  }
  if (!frame_->isSliderDown()) {
    const QSignalBlocker block(frame_);
    frame_->setRange(0, s.frames > 0 ? s.frames - 1 : 0);
    frame_->setValue(s.shown < 0 ? 0 : s.shown);
  }
  const QString position = QString::fromStdString(PlaybackPositionText(s));
  position_->setText(position);
  position_->setAccessibleDescription(position);  // as the status bar's items
  {
    const QSignalBlocker block(loop_);
    loop_->setChecked(s.loop);
  }
}

void PlaybackBar::showEvent(QShowEvent* event) {
  QGroupBox::showEvent(event);
  Refresh();
  timer_->start();
}

void PlaybackBar::hideEvent(QHideEvent* event) {
  timer_->stop();
  QGroupBox::hideEvent(event);
}

}  // namespace kelvara
