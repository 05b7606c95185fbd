#pragma once
// PlaybackBar: the bar of a played-back recording ("Playback"): "Play"
// (checkable, "Play"/"Pause"), "Step back", "Step forward", the "Frame"
// slider with "frame k of N" and the recorded time, "Speed" and "Loop".
// It acts on the playback control and then tells its listener what the
// user asked for (the dialog starts a run when none goes on); it follows the
// control a few times a second while shown.
#include <QGroupBox>
#include <functional>

#include "playback/playback_control.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace kelvara {

class PlaybackBar : public QGroupBox {
  Q_OBJECT
 public:
  enum class Action {
    kPlay,   // plays on
    kPause,  // holds the frame on screen
    kShow,   // one frame (a step or a seek)
  };
  PlaybackBar(PlaybackControl& control, QWidget* parent = nullptr);

  void SetActionListener(std::function<void(Action)> listener) { listener_ = std::move(listener); }
  // The controls from the control's status (the timer calls it).
  void Refresh();

  QPushButton* play() const { return play_; }
  QSlider* frame() const { return frame_; }
  QComboBox* speed() const { return speed_; }
  QCheckBox* loop() const { return loop_; }
  QLabel* position() const { return position_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Tell(Action action);

  PlaybackControl& control_;
  std::function<void(Action)> listener_;
  QPushButton* play_;
  QPushButton* back_;
  QPushButton* forward_;
  QSlider* frame_;
  QLabel* position_;
  QComboBox* speed_;
  QCheckBox* loop_;
  QTimer* timer_;
};

}  // namespace kelvara
