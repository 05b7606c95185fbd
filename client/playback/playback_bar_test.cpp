// The playback bar offscreen: each control acts on the playback control and
// tells the listener; the bar follows the control.
#include "playback/playback_bar.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <vector>

namespace kelvara {
namespace {

class PlaybackBarTest : public ::testing::Test {
 protected:
  PlaybackBarTest() {
    control_.Reset({0, 50000000, 100000000, 150000000});
    bar_.SetActionListener([this](PlaybackBar::Action a) { actions_.push_back(a); });
    bar_.Refresh();  // the recording's length
  }
  // A second later, lets the gate pass once and serves the frame.
  int Serve() {
    now_ += 1000000000;
    return control_.Decide(now_).kind == Admission::kPass ? control_.TakeFrame() : -1;
  }
  QPushButton* Button(const char* name) {
    for (auto* b : bar_.findChildren<QPushButton*>())
      if (b->accessibleName() == QLatin1String(name)) return b;
    return nullptr;
  }

  PlaybackControl control_{[] { return int64_t{0}; }};
  PlaybackBar bar_{control_};
  std::vector<PlaybackBar::Action> actions_;
  int64_t now_ = 0;
};

TEST_F(PlaybackBarTest, TheControlsCarryTheirNames) {
  EXPECT_EQ(bar_.accessibleName(), "Playback");
  EXPECT_EQ(bar_.title(), "Playback");
  for (const char* name : {"Play", "Step back", "Step forward"}) EXPECT_NE(Button(name), nullptr) << name;
  EXPECT_TRUE(bar_.play()->isCheckable());
  EXPECT_EQ(bar_.frame()->accessibleName(), "Frame");
  EXPECT_EQ(bar_.speed()->accessibleName(), "Speed");
  EXPECT_EQ(bar_.loop()->accessibleName(), "Loop");
  QStringList speeds;
  for (int i = 0; i < bar_.speed()->count(); ++i) speeds << bar_.speed()->itemText(i);
  EXPECT_EQ(speeds, (QStringList{"0.25x", "0.5x", "1x", "2x", "4x"}));
  EXPECT_EQ(bar_.speed()->currentText(), "1x");
}

TEST_F(PlaybackBarTest, EachControlActsOnThePlayback) {
  ASSERT_EQ(Serve(), 0);
  Button("Step forward")->click();
  EXPECT_EQ(Serve(), 1);
  Button("Step back")->click();
  EXPECT_EQ(Serve(), 0);
  bar_.frame()->setValue(3);  // a seek
  EXPECT_EQ(Serve(), 3);
  bar_.Refresh();
  EXPECT_EQ(bar_.position()->text(), "frame 4 of 4, 0.15 s of 0.15 s");
  bar_.speed()->setCurrentIndex(4);
  EXPECT_EQ(control_.Status().speed, 4.0);
  bar_.loop()->click();
  EXPECT_TRUE(control_.Status().loop);
  bar_.play()->click();
  EXPECT_FALSE(control_.Status().paused);
  EXPECT_EQ(bar_.play()->text(), "Pause");
  EXPECT_EQ(Serve(), 0);  // looped from the end
  bar_.play()->click();
  EXPECT_TRUE(control_.Status().paused);
  EXPECT_EQ(bar_.play()->text(), "Play");
  EXPECT_EQ(actions_, (std::vector<PlaybackBar::Action>{PlaybackBar::Action::kShow, PlaybackBar::Action::kShow,
                                                        PlaybackBar::Action::kShow, PlaybackBar::Action::kPlay,
                                                        PlaybackBar::Action::kPause}));
}

TEST_F(PlaybackBarTest, TheBarFollowsThePlaybackThatEndedByItself) {
  ASSERT_EQ(Serve(), 0);
  bar_.play()->click();
  for (int k = 1; k < 4; ++k) ASSERT_EQ(Serve(), k);
  EXPECT_EQ(Serve(), -1);  // rests on the last frame
  bar_.Refresh();
  EXPECT_FALSE(bar_.play()->isChecked());
  EXPECT_EQ(bar_.play()->text(), "Play");
  EXPECT_EQ(bar_.frame()->value(), 3);
  EXPECT_EQ(bar_.frame()->maximum(), 3);
}

}  // namespace
}  // namespace kelvara
