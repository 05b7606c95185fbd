#include "display/view_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "display/testing/panel_test.h"

namespace kelvara {
namespace {

using testing::RecordedMessage;
using Messages = std::vector<RecordedMessage>;

class ViewPanelTest : public testing_support::PanelTest {
 protected:
  void Make() {
    panel_ = std::make_unique<CViewImage>(nullptr, &hub_);
    panel_->SetNotifier(&notifier_);
    Drive(panel_.get());
  }
  QString Text(int id) { return Control<QLineEdit>(id)->text(); }

  std::unique_ptr<CViewImage> panel_;
};

TEST_F(ViewPanelTest, ControlsCarryTheirTextsIdsAndNames) {
  Make();
  const struct {
    int id;
    const char* text;
  } buttons[] = {{3001, "Picture"},       {3000, "Start"},       {3002, "3D Start"},     {3030, "Horizontal flip"},
                 {3031, "Vertical flip"}, {3041, "Center Mark"}, {3056, "Stop sampling"}};
  for (const auto& b : buttons) {
    QAbstractButton* button = Control<QAbstractButton>(b.id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromLatin1(b.text));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(b.text));
  }
  const struct {
    int id;
    const char* name;
  } fields[] = {{2012, "fps"},        {2020, "Maximum"},    {2021, "Minimum"},    {3040, "Value of Center"},
                {3050, "LED"},        {3051, "Imager"},     {3052, "Upper-left"}, {3053, "Upper-right"},
                {3054, "Lower-left"}, {3055, "Lower-right"}};
  for (const auto& f : fields) {
    QWidget* field = Control<QWidget>(f.id);
    ASSERT_NE(field, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(field);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(f.name)) << f.id;
  }
  for (int id : {2012, 3040, 3050, 3051, 3052, 3053, 3054, 3055})
    EXPECT_TRUE(Control<QLineEdit>(id)->isReadOnly()) << id;
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(panel_.get());
  EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("View"));
  QStringList labels;
  for (QLabel* label : panel_->findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"fps", "TRANSFORMATION", "View range", "Maximum", "Minimum", "mm", "Value of Center",
                           "TEMPERATURE BOARD", "LED", "Imager", "\u00b0C"})
    EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
  EXPECT_TRUE(Control<QCheckBox>(3041)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(3056)->isChecked());
}

TEST_F(ViewPanelTest, StartsWithTheStoredOrientationAndRange) {
  IniWriteInt("View", "HorizontalFlip", 1);
  IniWriteInt("View", "VerticalFlip", 0);
  IniWriteInt("View", "RangeMax", 4000);
  IniWriteInt("View", "RangeMin", 500);
  Make();
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_FLIP, 1, 0}, {UWM_SET_VIEW_RANGE, 0, 0}}));
  EXPECT_TRUE(panel_->HorizontalFlip());
  EXPECT_FALSE(panel_->VerticalFlip());
  EXPECT_EQ(panel_->Maximum(), 4000);
  EXPECT_EQ(panel_->Minimum(), 500);
  EXPECT_EQ(Control<QSpinBox>(2020)->value(), 4000);
  EXPECT_EQ(Control<QSpinBox>(2021)->value(), 500);
}

TEST_F(ViewPanelTest, DefaultsWithoutAProfile) {
  Make();
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_FLIP, 0, 0}, {UWM_SET_VIEW_RANGE, 0, 0}}));
  EXPECT_EQ(panel_->Maximum(), 6250);
  EXPECT_EQ(panel_->Minimum(), 0);
}

TEST_F(ViewPanelTest, PictureWritesTheProfileAndAsksForOneFrame) {
  Make();
  hub_.Take();
  Click(3031);
  Type(2020, "9000");
  Type(2021, "100");
  hub_.Take();
  Click(3001);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_VIEW_RANGE, 0, 0}, {UWM_TAKE_PICTURE, 0, 1}}));
  EXPECT_EQ(profile_.ReadInt("View", "HorizontalFlip"), 0);
  EXPECT_EQ(profile_.ReadInt("View", "VerticalFlip"), 1);
  EXPECT_EQ(profile_.ReadInt("View", "RangeMax"), 9000);
  EXPECT_EQ(profile_.ReadInt("View", "RangeMin"), 100);
  EXPECT_EQ(Control<QPushButton>(3000)->text(), QStringLiteral("Start"));
}

TEST_F(ViewPanelTest, StartTogglesIntoStop) {
  Make();
  hub_.Take();
  Click(3000);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_VIEW_RANGE, 0, 0}, {UWM_START_MEASUREMENT, 0, -1}}));
  EXPECT_EQ(Control<QPushButton>(3000)->text(), QStringLiteral("Stop"));
  EXPECT_EQ(profile_.ReadInt("View", "RangeMax"), 6250);
  // The dialog disables the panel while measuring; "Stop" stays usable.
  panel_->EnableControls(0);
  EXPECT_TRUE(Control<QPushButton>(3000)->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(3001)->isEnabled());
  Click(3000);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_STOP_MEASUREMENT, 0, 0}}));
  EXPECT_EQ(Control<QPushButton>(3000)->text(), QStringLiteral("Start"));
}

TEST_F(ViewPanelTest, EnableControlsAcrossConnectRunAndDisconnect) {
  Make();
  auto enabled = [&](int id) { return Control<QWidget>(id)->isEnabled(); };
  panel_->EnableControls(0);  // start-up
  for (int id : {3001, 3000, 2020, 2021}) EXPECT_FALSE(enabled(id)) << id;
  for (int id : {3030, 3031, 3041, 3056, 3002}) EXPECT_TRUE(enabled(id)) << id;
  panel_->EnableControls(1);  // connected
  for (int id : {3001, 3000, 2020, 2021}) EXPECT_TRUE(enabled(id)) << id;
  Click(3000);  // measuring
  panel_->EnableControls(0);
  EXPECT_TRUE(enabled(3000));
  panel_->EnableControls(1);  // the run ended by itself
  EXPECT_EQ(Control<QPushButton>(3000)->text(), QStringLiteral("Start"));
  EXPECT_TRUE(enabled(3000));
  panel_->EnableControls(0);  // disconnected
  EXPECT_FALSE(enabled(3000));
}

TEST_F(ViewPanelTest, BoxesPostTheirState) {
  Make();
  hub_.Take();
  Click(3030);
  Click(3031);
  Click(3030);
  Click(3041);
  Click(3056);
  Click(3041);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_FLIP, 1, 0},
                                   {UWM_SET_FLIP, 1, 1},
                                   {UWM_SET_FLIP, 0, 1},
                                   {UWM_SET_CENTER_MARK, 0, 0},
                                   {UWM_SET_STOP_SAMPLING, 1, 0},
                                   {UWM_SET_CENTER_MARK, 1, 0}}));
  // Flips reach the profile only with Picture or Start.
  EXPECT_EQ(profile_.ReadInt("View", "VerticalFlip"), -12345);
}

TEST_F(ViewPanelTest, ThreeDButtonToggles) {
  Make();
  hub_.Take();
  Click(3002);
  EXPECT_EQ(Control<QPushButton>(3002)->text(), QStringLiteral("3D Stop"));
  Click(3002);
  EXPECT_EQ(Control<QPushButton>(3002)->text(), QStringLiteral("3D Start"));
  Click(3002);
  panel_->Show3DStopped();
  EXPECT_EQ(Control<QPushButton>(3002)->text(), QStringLiteral("3D Start"));
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_START_3D, 0, 0}, {UWM_STOP_3D, 0, 0}, {UWM_START_3D, 0, 0}}));
}

TEST_F(ViewPanelTest, RangeChecks) {
  IniWriteInt("View", "RangeMin", 1000);
  IniWriteInt("View", "RangeMax", 6250);
  const struct {
    int id;
    const char* typed;
    const char* message;  // empty: accepted
    int maximum, minimum;
  } cases[] = {
      {2020, "900", "Please input number in 1001-12500 range.", 6250, 1000},
      {2020, "12501", "Please input number in 1001-12500 range.", 6250, 1000},
      {2020, "1000", "Please input number in 1001-12500 range.", 6250, 1000},
      {2020, "12500", "", 12500, 1000},
      {2021, "6250", "Please input number in 0-6249 range.", 6250, 1000},
      {2021, "-1", "Please input number in 0-6249 range.", 6250, 1000},
      {2021, "6249", "", 6250, 6249},
      {2021, "0", "", 6250, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    panel_.reset();
    Make();
    RecordingNotifier notifier;
    panel_->SetNotifier(&notifier);
    Type(c.id, c.typed);
    const std::vector<std::string> messages = notifier.Messages();
    if (*c.message) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0], c.message);
    } else {
      EXPECT_TRUE(messages.empty());
    }
    EXPECT_EQ(panel_->Maximum(), c.maximum);
    EXPECT_EQ(panel_->Minimum(), c.minimum);
    // A refused value is replaced by the previous one.
    EXPECT_EQ(Control<QSpinBox>(2020)->value(), c.maximum);
    EXPECT_EQ(Control<QSpinBox>(2021)->value(), c.minimum);
  }
}

TEST_F(ViewPanelTest, RefusedRangeStartsNothing) {
  Make();
  hub_.Take();
  Control<QSpinBox>(2020)->setValue(20000);  // typed, not yet checked
  Click(3000);
  EXPECT_TRUE(hub_.Take().empty());
  EXPECT_EQ(notifier_.Messages(), (std::vector<std::string>{"Please input number in 1-12500 range."}));
  EXPECT_EQ(Control<QPushButton>(3000)->text(), QStringLiteral("Start"));
}

TEST_F(ViewPanelTest, SpinButtonsStayWithinTheSpinRanges) {
  IniWriteInt("View", "RangeMax", 12500);
  IniWriteInt("View", "RangeMin", 0);
  Make();
  QSpinBox* maximum = Control<QSpinBox>(2020);
  QSpinBox* minimum = Control<QSpinBox>(2021);
  maximum->stepUp();
  minimum->stepDown();
  EXPECT_EQ(maximum->value(), 12500);
  EXPECT_EQ(minimum->value(), 0);
  maximum->stepDown();  // a spin click is checked like a typed value
  EXPECT_EQ(panel_->Maximum(), 12499);
  EXPECT_TRUE(notifier_.Messages().empty());
}

TEST_F(ViewPanelTest, DestroyedWithARefusedValueInAFocusedField) {
  Make();
  panel_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
  QSpinBox* maximum = Control<QSpinBox>(2020);
  maximum->setFocus();
  maximum->setValue(99999);
  panel_.reset();  // no check, no message, no crash
  EXPECT_TRUE(notifier_.Messages().empty());
}

TEST_F(ViewPanelTest, MonitorFields) {
  Make();
  TemperatureSample sample;
  sample.upper_left = 350;
  sample.upper_right = 352;
  sample.lower_left = 354;
  sample.lower_right = 356;
  sample.led = 300;
  panel_->UpdateMonitor(19.96, sample);
  EXPECT_EQ(Text(2012), QStringLiteral("20.0"));
  EXPECT_EQ(Text(3051), QStringLiteral("35.3"));
  EXPECT_EQ(Text(3052), QStringLiteral("35.0"));
  EXPECT_EQ(Text(3053), QStringLiteral("35.2"));
  EXPECT_EQ(Text(3054), QStringLiteral("35.4"));
  EXPECT_EQ(Text(3055), QStringLiteral("35.6"));
  EXPECT_EQ(Text(3050), QStringLiteral("30.0"));
  sample.led = -15;
  Click(3056);  // stop sampling: temperatures read "--", the rate still changes
  panel_->UpdateMonitor(7.25, sample);
  for (int id : {3050, 3051, 3052, 3053, 3054, 3055}) EXPECT_EQ(Text(id), QStringLiteral("--")) << id;
  EXPECT_EQ(Text(2012), QStringLiteral("7.2"));
  panel_->SetCentreReadout(QStringLiteral("490"));
  EXPECT_EQ(Text(3040), QStringLiteral("490"));
}

}  // namespace
}  // namespace kelvara

namespace kelvara {
namespace {

// A stored range outside the fields' limits is brought inside them: Picture
// then asks for a frame without a message.
TEST_F(ViewPanelTest, AStoredRangeOutsideTheLimitsIsBroughtInside) {
  const struct {
    int stored_min, stored_max;
    int minimum, maximum;
  } cases[] = {
      {-50, 6250, 0, 6250}, {0, 20000, 0, 12500}, {7000, 5000, 4999, 5000}, {0, 0, 0, 1}, {500, 4000, 500, 4000}};
  for (const auto& c : cases) {
    IniWriteInt("View", "RangeMin", c.stored_min);
    IniWriteInt("View", "RangeMax", c.stored_max);
    panel_.reset();
    Make();
    EXPECT_EQ(panel_->Minimum(), c.minimum) << c.stored_min;
    EXPECT_EQ(panel_->Maximum(), c.maximum) << c.stored_max;
    panel_->EnableControls(1);
    hub_.Take();
    Click(3001);
    EXPECT_TRUE(notifier_.Messages().empty()) << notifier_.Messages().front();
    EXPECT_EQ(hub_.Take().back().message, UWM_TAKE_PICTURE);
  }
}

TEST_F(ViewPanelTest, TheRangeStaysEditableDuringARunAndAppliesAtOnce) {
  Make();
  panel_->EnableControls(1);
  Click(3000);  // measuring
  panel_->EnableControls(0);
  for (int id : {2020, 2021, 3003}) EXPECT_TRUE(Control<QWidget>(id)->isEnabled()) << id;
  EXPECT_FALSE(Control<QWidget>(3001)->isEnabled());
  hub_.Take();
  Type(2020, "3000");
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_VIEW_RANGE, 0, 0}}));
  EXPECT_EQ(panel_->Maximum(), 3000);
  // "Auto range" takes the range of the picture on screen.
  std::optional<DistanceRange> source;
  panel_->SetAutoRangeSource([&] { return source; });
  Click(3003);
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"The picture holds no distances to set the range from."});
  EXPECT_TRUE(hub_.Take().empty());
  source = DistanceRange{800, 2400};
  Click(3003);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_VIEW_RANGE, 0, 0}}));
  EXPECT_EQ(panel_->Minimum(), 800);
  EXPECT_EQ(Control<QSpinBox>(2020)->value(), 2400);
  Click(3000);  // stopped and disconnected: the range is locked again
  panel_->EnableControls(0);
  EXPECT_FALSE(Control<QWidget>(2020)->isEnabled());
}

}  // namespace
}  // namespace kelvara
