// The settings panel: controls, the check when a field is left, "Set" with a
// refused group, the Format list and the enabling rules.
#include "config/setting_panel.h"
#include "config/testing/recording_notifier.h"

#include <gtest/gtest.h>
#include <QButtonGroup>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "camera_facts/command_codes.h"
#include "config/spin_buttons.h"
#include "link/testing/scripted_serial.h"
#include "widgets/testing/message_recorder.h"

namespace kelvara {
namespace {

using testing::MessageRecorder;

class SettingPanelTest : public ::testing::Test {
 protected:
  SettingPanelTest() : link_(serial_, pauses_.Function()), panel_(nullptr, &hub_, link_, notifier_) {
    // As after a read from the camera: Normal mode, exposure 425.
    DeviceParameters& p = panel_.model().parameters();
    p.format = {1, 1};
    p.mode = {0, 0};
    p.exposure_us = {425, 425};
    p.frame_rate_limiter = {5, 5};
    p.data_size_kb = {16, 16};
    for (ParameterValue* v : {&p.amp_min_all, &p.amp_min_near, &p.rotation_x, &p.rotation_y, &p.rotation_z,
                              &p.led_freq_id, &p.pilot_led, &p.interval_us, &p.enr_threshold})
      v->applied = v->current;
    panel_.ShowValues(p);
    panel_.SetParameterPanelEnabled(true);
  }
  QLineEdit* Edit(int id) { return panel_.findChild<QLineEdit*>(QStringLiteral("id%1").arg(id)); }
  QComboBox* Combo(int id) { return panel_.findChild<QComboBox*>(QStringLiteral("id%1").arg(id)); }
  // The user types `text` into a field and leaves it.
  void TypeAndLeave(int id, const QString& text) {
    QLineEdit* edit = Edit(id);
    edit->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
  }

  ScriptedSerial serial_;
  PauseRecorder pauses_;
  CameraLink link_;
  MessageRecorder hub_;
  RecordingNotifier notifier_;
  CSetting panel_;
};

TEST_F(SettingPanelTest, EveryControlHasItsIdTextAndAccessibleName) {
  struct Control {
    int id;
    const char* name;
  };
  const Control fields[] = {{2010, "Exposure time"},
                            {2012, "Frame rate limiter"},
                            {3010, "All range"},
                            {3020, "Near range (1.5m)"},
                            {2040, "x"},
                            {2041, "y"},
                            {2042, "z"},
                            {2050, "LED freq. ID"},
                            {2071, "Interval"},
                            {2080, "ENR threshold"}};
  for (const Control& c : fields) {
    ASSERT_TRUE(Edit(c.id)) << c.id;
    EXPECT_EQ(Edit(c.id)->accessibleName(), c.name);
    const int spin_id = c.id >= 2040 && c.id <= 2042 ? c.id + 3 : c.id + 1;
    ASSERT_TRUE(panel_.findChild<SpinButtons*>(QStringLiteral("id%1").arg(spin_id))) << c.id;
  }
  QStringList formats;
  for (int i = 0; i < Combo(2002)->count(); ++i) formats << Combo(2002)->itemText(i);
  EXPECT_EQ(formats, (QStringList{"Amplitude", "Distance(Polar)", "Distance(Cartesian)", "Distance(Cartesian rot)",
                                  "Distance(Polar)+AMP", "Distance(Cartesian)+AMP", "Distance(Cartesian rot)+AMP"}));
  EXPECT_EQ(Combo(2001)->itemText(1), "High speed");
  EXPECT_EQ(Combo(2070)->count(), 5);
  EXPECT_EQ(Combo(2070)->itemText(4), "16");
  EXPECT_EQ(panel_.findChild<QRadioButton*>("id2060")->text(), "ON");
  EXPECT_EQ(panel_.findChild<QRadioButton*>("id2061")->text(), "OFF");
  EXPECT_EQ(panel_.findChild<QPushButton*>("id2003")->text(), "Set");
}

TEST_F(SettingPanelTest, NothingIsSelectedBeforeTheFirstRead) {
  RecordingNotifier notifier;
  CSetting fresh(nullptr, &hub_, link_, notifier);
  for (int id : {2002, 2001, 2070})
    EXPECT_EQ(fresh.findChild<QComboBox*>(QStringLiteral("id%1").arg(id))->currentIndex(), -1) << id;
}

TEST_F(SettingPanelTest, LeavingAFieldOutOfRangeRestoresItWithItsMessage) {
  struct Case {
    int id;
    int mode;
    QString typed;
    QString shown_after;
    std::string message;  // empty: accepted
  };
  const std::string exposure_message =
      "Please input the following range.\nNormalmode\t170-5312\nHigh speed mode\t20-10000";
  const Case cases[] = {
      {2010, 0, "6000", "425", exposure_message},
      {2010, 0, "169", "425", exposure_message},
      {2010, 1, "6000", "6000", ""},
      {2010, 1, "10001", "425", exposure_message},
      {2010, -1, "99999", "99999", ""},  // no mode selected: any value
      {2012, 0, "25", "5", "Please input number in 0-20 range."},
      {3010, 0, "201", "1", "Please input number in 0-200 range."},
      {3020, 0, "-1", "3", "Please input number in 0-200 range."},
      {2041, 0, "360", "0", "Please input number in 0-359 range."},
      {2050, 0, "17", "8", "Please input number in 0-16 range."},
      {2071, 0, "10001", "0", "Please input number in 0-10000 range."},
      {2080, 0, "12500", "0", "Please input number in 0-12499 range."},
      {2080, 0, "12499", "12499", ""},
  };
  for (const Case& c : cases) {
    DeviceParameters& p = panel_.model().parameters();
    p.format.current = 3;  // rotation fields usable
    p.exposure_us.current = 425;
    p.enr_threshold.current = 0;
    p.mode.current = c.mode;
    panel_.ShowValues(p);
    panel_.SetParameterPanelEnabled(true);
    RecordingNotifier* n = &notifier_;
    const size_t before = n->Messages().size();
    TypeAndLeave(c.id, c.typed);
    const auto messages = n->Messages();
    EXPECT_EQ(Edit(c.id)->text(), c.shown_after) << c.id << " " << c.typed.toStdString();
    if (c.message.empty()) {
      EXPECT_EQ(messages.size(), before) << c.id;
    } else {
      ASSERT_EQ(messages.size(), before + 1) << c.id;
      EXPECT_EQ(messages.back(), c.message);
    }
    // Other fields keep their values.
    if (c.id != 2010) {
      EXPECT_EQ(Edit(2010)->text(), "425");
    }
  }
}

TEST_F(SettingPanelTest, TextThatIsNoNumberIsRefusedAndTheValueKept) {
  TypeAndLeave(2012, "abc");
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"Please enter an integer."});
  EXPECT_EQ(panel_.parameters().frame_rate_limiter.current, 5);
}

TEST_F(SettingPanelTest, SetWithTextThatIsNoNumberSaysSoAndSendsNothing) {
  Edit(2010)->setText("5x");  // typed, the focus never left the field
  Edit(2012)->setText("8");
  panel_.findChild<QPushButton*>("id2003")->click();
  EXPECT_TRUE(serial_.sent.empty());
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"Please enter an integer."});
  // The fields with numbers are taken all the same (a run's start sends them).
  EXPECT_EQ(panel_.parameters().exposure_us.current, 425);
  EXPECT_EQ(panel_.parameters().frame_rate_limiter.current, 8);
}

TEST_F(SettingPanelTest, SetSendsChangesAndRevertsARefusedGroupWithItsMessage) {
  ScriptedSerial& serial = serial_;
  serial.QueueResponse(1);  // the camera refuses the exposure group
  Edit(2010)->setText("500");
  panel_.findChild<QPushButton*>("id2003")->click();
  ASSERT_EQ(serial.sent.size(), 1u);
  EXPECT_EQ(serial.sent[0].code, CMD_SET_EXPOSURE);
  EXPECT_EQ(notifier_.Messages(),
            std::vector<std::string>{"Set parameter failed!! [ Exposure time & Frame rate limitter ]"});
  EXPECT_EQ(Edit(2010)->text(), "425");
}

TEST_F(SettingPanelTest, DataSizeSelectionIsSentWithSet) {
  ScriptedSerial& serial = serial_;
  serial.QueueResponse(0);
  Combo(2070)->setCurrentIndex(3);
  emit Combo(2070)->activated(3);
  EXPECT_EQ(panel_.parameters().data_size_kb.current, 8);
  panel_.Set();
  ASSERT_EQ(serial.sent.size(), 1u);
  EXPECT_EQ(serial.sent[0].code, CMD_SET_RESPONSE_SPEED);
  EXPECT_TRUE(notifier_.Messages().empty());
}

TEST_F(SettingPanelTest, FormatChoiceFollowsTheRotationRuleAndTellsTheDialog) {
  QComboBox* format = Combo(2002);
  format->setCurrentIndex(3);
  emit format->activated(3);
  EXPECT_TRUE(Edit(2040)->isEnabled());
  EXPECT_TRUE(panel_.findChild<SpinButtons*>("id2045")->isEnabled());
  format->setCurrentIndex(4);
  emit format->activated(4);
  EXPECT_FALSE(Edit(2040)->isEnabled());
  QCoreApplication::sendPostedEvents(&hub_);
  ASSERT_EQ(hub_.messages.size(), 2u);
  EXPECT_EQ(hub_.messages[1].message, UWM_FORMAT_CHANGED);
  EXPECT_EQ(hub_.messages[1].wparam, 4);
  EXPECT_EQ(hub_.messages[1].lparam, 0);
}

TEST_F(SettingPanelTest, EnablingKeepsRotationOffForUnrotatedFormats) {
  Combo(2002)->setCurrentIndex(0);
  panel_.SetParameterPanelEnabled(false);
  for (int id : {2002, 2001, 2010, 2080, 2070})
    EXPECT_FALSE(panel_.findChild<QWidget*>(QStringLiteral("id%1").arg(id))->isEnabled()) << id;
  EXPECT_FALSE(panel_.findChild<QPushButton*>("id2003")->isEnabled());
  panel_.SetParameterPanelEnabled(true);
  EXPECT_TRUE(Edit(2010)->isEnabled());
  EXPECT_FALSE(Edit(2040)->isEnabled());
  EXPECT_FALSE(panel_.findChild<SpinButtons*>("id2043")->isEnabled());
  Combo(2002)->setCurrentIndex(6);
  panel_.SetParameterPanelEnabled(true);
  EXPECT_TRUE(Edit(2042)->isEnabled());
}

// A rotated format coming back (a refusal at a run's start) while the run
// has the panel disabled leaves the rotation fields disabled.
TEST_F(SettingPanelTest, RotationStaysOffInsideADisabledPanel) {
  panel_.SetParameterPanelEnabled(false);
  panel_.SetRotationControlsEnabled(true);
  EXPECT_FALSE(Edit(2040)->isEnabled());
  EXPECT_FALSE(panel_.findChild<SpinButtons*>("id2043")->isEnabled());
  panel_.SetParameterPanelEnabled(true);
  panel_.SetRotationControlsEnabled(true);
  EXPECT_TRUE(Edit(2040)->isEnabled());
}

TEST_F(SettingPanelTest, DisabledPanelChecksNothing) {
  panel_.SetParameterPanelEnabled(false);
  TypeAndLeave(2012, "25");
  EXPECT_TRUE(notifier_.Messages().empty());
}

TEST_F(SettingPanelTest, SpinStepsWithinItsRangeAndWritesPlainIntegers) {
  auto* spin = panel_.findChild<SpinButtons*>("id2013");
  Edit(2012)->setText("20");
  spin->Step(1);
  EXPECT_EQ(Edit(2012)->text(), "20");
  spin->Step(-1);
  EXPECT_EQ(Edit(2012)->text(), "19");
  Edit(2080)->setText("9999");
  QTest::keyClick(Edit(2080), Qt::Key_Up);
  EXPECT_EQ(Edit(2080)->text(), "10000");
}

}  // namespace
}  // namespace kelvara
