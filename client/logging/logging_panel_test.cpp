#include "logging/logging_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "camsim/pattern_scene.h"
#include "display/testing/panel_test.h"
#include "logging/browse_folder_dialog.h"
#include "logging/log_writer.h"

namespace kelvara {
namespace {

using testing::RecordedMessage;
using Messages = std::vector<RecordedMessage>;
using Texts = std::vector<std::string>;

class LoggingPanelTest : public testing_support::PanelTest {
 protected:
  void Make() {
    panel_ = std::make_unique<CLogging>(nullptr, &hub_, writer_);
    panel_->SetNotifier(&notifier_);
    Drive(panel_.get());
    panel_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
  }
  QString StartCaption() { return Control<QPushButton>(3000)->text(); }
  void Progress(int logged, int total) {
    PostWindowMessage(panel_.get(), UWM_LOG_PROGRESS, logged, total);
    QCoreApplication::sendPostedEvents(panel_.get(), WindowMessageEvent::Type());
  }

  LogWriter writer_;
  std::unique_ptr<CLogging> panel_;
};

TEST_F(LoggingPanelTest, ControlsCarryTheirTextsIdsAndNames) {
  Make();
  const struct {
    int id;
    const char* name;
  } controls[] = {{4000, "CSV"},       {4001, "PNG"},  {4002, "Binary"}, {4003, "PCD"},
                  {4010, "total"},     {4012, "once"}, {4020, "s"},      {4030, "File name"},
                  {4040, "Save path"}, {4041, "..."},  {3000, "Start"}};
  for (const auto& c : controls) {
    QWidget* control = Control<QWidget>(c.id);
    ASSERT_NE(control, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromLatin1(c.name)) << c.id;
  }
  EXPECT_EQ(QAccessible::queryAccessibleInterface(panel_.get())->text(QAccessible::Name), QStringLiteral("Logging"));
  EXPECT_NE(panel_->findChild<QPlainTextEdit*>(QStringLiteral("id4040")), nullptr);
  QProgressBar* bar = Control<QProgressBar>(4050);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  QStringList labels;
  for (QLabel* label : panel_->findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"Number of logs", "total", "once", "Logging interval", "s", "Filename"})
    EXPECT_TRUE(labels.contains(QString::fromLatin1(text))) << text;
  // Defaults without a profile; "PCD" hidden at creation (format 1).
  EXPECT_FALSE(Control<QCheckBox>(4000)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(4001)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(4002)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(4003)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(4003)->isHidden());
  EXPECT_EQ(panel_->TotalNumberOfLogs(), 10);
  EXPECT_EQ(panel_->NumberOfLogsAtOnce(), 1);
  EXPECT_EQ(panel_->LoggingInterval(), 0);
}

TEST_F(LoggingPanelTest, ReadsTheProfileAndWritesItAtStart) {
  IniWriteInt("Logging", "CSVCheck", 1);
  IniWriteInt("Logging", "PNGCheck", 1);
  IniWriteInt("Logging", "BINCheck", 0);
  IniWriteInt("Logging", "TotalNumberOfLogs", 25);
  IniWriteInt("Logging", "NumberOfLogsAtOnce", 5);
  IniWriteInt("Logging", "LoggingInterval", 3);
  IniWriteString("Logging", "FileName", "room");
  IniWriteString("Logging", "SavePath", profile_.Folder());
  Make();
  EXPECT_TRUE(Control<QCheckBox>(4000)->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(4001)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(4002)->isChecked());
  EXPECT_TRUE(writer_.CsvCheck());
  EXPECT_TRUE(writer_.PngCheck());
  EXPECT_FALSE(writer_.BinCheck());
  EXPECT_EQ(panel_->TotalNumberOfLogs(), 25);
  EXPECT_EQ(panel_->NumberOfLogsAtOnce(), 5);
  EXPECT_EQ(panel_->LoggingInterval(), 3);
  EXPECT_EQ(Control<QLineEdit>(4030)->text(), QStringLiteral("room"));
  EXPECT_EQ(Control<QPlainTextEdit>(4040)->toPlainText().toStdString(), profile_.Folder());

  Click(4002);
  Type(4010, "7");
  Control<QLineEdit>(4030)->setText(QStringLiteral("hall"));
  Click(3000);
  EXPECT_EQ(profile_.ReadInt("Logging", "BINCheck"), 1);
  EXPECT_EQ(profile_.ReadInt("Logging", "TotalNumberOfLogs"), 7);
  EXPECT_EQ(profile_.ReadInt("Logging", "NumberOfLogsAtOnce"), 5);
  EXPECT_EQ(profile_.ReadInt("Logging", "LoggingInterval"), 3);
  EXPECT_EQ(profile_.ReadInt("Logging", "PCDCheck"), 1);
  EXPECT_EQ(profile_.ReadString("Logging", "FileName"), "hall");
  EXPECT_EQ(profile_.ReadString("Logging", "SavePath"), profile_.Folder());
  EXPECT_EQ(writer_.Schedule().total, 7);
  EXPECT_EQ(writer_.Schedule().once, 5);
  EXPECT_EQ(writer_.Schedule().interval, 3);
}

TEST_F(LoggingPanelTest, StartAndStopPostTheirMessages) {
  Make();
  Control<QPlainTextEdit>(4040)->setPlainText(QString::fromStdString(profile_.Folder()));
  Click(3000);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_SET_VIEW_RANGE, 0, 0}, {UWM_START_LOGGING, 0, 0}}));
  EXPECT_EQ(StartCaption(), QStringLiteral("Stop"));
  // An empty file name logs as "unnamed".
  EXPECT_EQ(writer_.BaseName(), "unnamed");
  EXPECT_EQ(writer_.SaveFolder(), profile_.Folder());
  panel_->EnableControls(0);  // "Stop" stays usable
  EXPECT_TRUE(Control<QPushButton>(3000)->isEnabled());
  Click(3000);
  EXPECT_EQ(hub_.Take(), (Messages{{UWM_STOP_LOGGING, 0, 0}}));
  EXPECT_EQ(StartCaption(), QStringLiteral("Start"));
}

TEST_F(LoggingPanelTest, EnableControlsTouchesOnlyTheStartButton) {
  Make();
  panel_->EnableControls(0);
  EXPECT_FALSE(Control<QPushButton>(3000)->isEnabled());
  for (int id : {4000, 4001, 4002, 4010, 4012, 4020, 4030, 4040, 4041})
    EXPECT_TRUE(Control<QWidget>(id)->isEnabled()) << id;
  panel_->EnableControls(1);
  EXPECT_TRUE(Control<QPushButton>(3000)->isEnabled());
  Click(3000);
  panel_->EnableControls(1);  // the measurement stopped: the caption returns
  EXPECT_EQ(StartCaption(), QStringLiteral("Start"));
}

TEST_F(LoggingPanelTest, FormatOptions) {
  Make();
  const struct {
    int format;
    bool pcd;
  } cases[] = {{0, false}, {1, false}, {2, true}, {3, true}, {4, false}, {5, true}, {6, true}};
  Click(4001);  // PNG on; the hidden boxes keep their values
  for (const auto& c : cases) {
    panel_->ShowFormatOptions(c.format);
    EXPECT_EQ(Control<QCheckBox>(4003)->isHidden(), !c.pcd) << c.format;
    EXPECT_EQ(Control<QCheckBox>(4001)->isHidden(), c.pcd) << c.format;
    EXPECT_EQ(Control<QCheckBox>(4002)->isHidden(), c.pcd) << c.format;
    EXPECT_EQ(writer_.FormatIndex(), c.format);
    EXPECT_TRUE(Control<QCheckBox>(4001)->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(4002)->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(4003)->isChecked());
  }
}

TEST_F(LoggingPanelTest, NumberRanges) {
  const struct {
    int id;
    const char* typed;
    const char* message;
    int total, once, interval;
  } cases[] = {
      {4010, "0", "Please input number in 1-999999 range.", 10, 1, 0},
      {4010, "1000000", "Please input number in 1-999999 range.", 10, 1, 0},
      {4010, "999999", "", 999999, 1, 0},
      {4012, "0", "Please input number in 1-999999 range.", 10, 1, 0},
      {4012, "-3", "Please input number in 1-999999 range.", 10, 1, 0},
      {4012, "20", "", 10, 20, 0},
      {4020, "0", "", 10, 1, 0},
      {4020, "-1", "Please input number in 0-999999 range.", 10, 1, 0},
      {4020, "999999", "", 10, 1, 999999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " " + c.typed);
    panel_.reset();
    Make();
    RecordingNotifier notifier;
    panel_->SetNotifier(&notifier);
    Type(c.id, c.typed);
    const Texts messages = notifier.Messages();
    if (*c.message) EXPECT_EQ(messages, Texts{c.message});
    else EXPECT_TRUE(messages.empty());
    EXPECT_EQ(panel_->TotalNumberOfLogs(), c.total);
    EXPECT_EQ(panel_->NumberOfLogsAtOnce(), c.once);
    EXPECT_EQ(panel_->LoggingInterval(), c.interval);
    EXPECT_EQ(Control<QSpinBox>(4010)->value(), c.total);
    EXPECT_EQ(Control<QSpinBox>(4012)->value(), c.once);
    EXPECT_EQ(Control<QSpinBox>(4020)->value(), c.interval);
  }
}

TEST_F(LoggingPanelTest, BadFileNamesStartNothing) {
  Make();
  for (const char* name : {"a/b", "..", "x\\y", "tab\there"}) {
    RecordingNotifier notifier;
    panel_->SetNotifier(&notifier);
    Control<QLineEdit>(4030)->setText(QString::fromLatin1(name));
    Click(3000);
    EXPECT_EQ(notifier.Messages(), Texts{std::string("Invalid file name!! [ ") + name + " ]"});
    EXPECT_TRUE(hub_.Take().empty()) << name;
    EXPECT_EQ(StartCaption(), QStringLiteral("Start"));
    EXPECT_EQ(writer_.BaseName(), "");
  }
  // A refused number typed but not checked yet starts nothing either.
  panel_->SetNotifier(&notifier_);
  Control<QLineEdit>(4030)->setText(QStringLiteral("ok"));
  Control<QSpinBox>(4012)->setValue(0);
  Click(3000);
  EXPECT_TRUE(hub_.Take().empty());
  EXPECT_EQ(notifier_.Messages(), Texts{"Please input number in 1-999999 range."});
}

TEST_F(LoggingPanelTest, ProgressDuringARunOnly) {
  Make();
  Control<QPlainTextEdit>(4040)->setPlainText(QString::fromStdString(profile_.Folder()));
  QProgressBar* bar = Control<QProgressBar>(4050);
  Progress(5, 10);  // no run yet
  EXPECT_EQ(bar->value(), 0);
  Click(3000);
  Progress(5, 10);
  EXPECT_EQ(bar->value(), 50);
  Progress(10, 10);
  EXPECT_EQ(bar->value(), 100);
  Progress(3, 0);
  EXPECT_EQ(bar->value(), 0);
  Progress(7, -1);  // after Stop
  EXPECT_EQ(bar->value(), 0);
  Progress(1, 4);
  EXPECT_EQ(bar->value(), 25);
  writer_.WriteSettingsLog(DeviceParameters(), 1);  // the run ends
  Progress(4, 4);
  EXPECT_EQ(bar->value(), 25);
}

TEST_F(LoggingPanelTest, AFileFailureIsReportedOncePerRun) {
  Make();
  QTemporaryDir dir;
  const std::string missing = dir.filePath("gone").toStdString();
  Control<QPlainTextEdit>(4040)->setPlainText(QString::fromStdString(missing));
  Control<QLineEdit>(4030)->setText(QStringLiteral("f"));
  panel_->ShowFormatOptions(1);
  // The folder goes away after the run has started.
  ASSERT_TRUE(QDir().mkdir(QString::fromStdString(missing)));
  Click(3000);
  ASSERT_TRUE(QDir().rmdir(QString::fromStdString(missing)));
  const std::vector<unsigned char> frame = pattern::Frame(1);
  writer_.WriteFrameLogs(0, frame.data(), frame.size());
  writer_.WriteFrameLogs(1, frame.data(), frame.size());
  writer_.WriteSettingsLog(DeviceParameters(), 2);
  panel_->LoggingRunEnded();
  panel_->LoggingRunEnded();
  EXPECT_EQ(StartCaption(), QStringLiteral("Start"));
  ASSERT_EQ(notifier_.Messages().size(), 1u);
  EXPECT_EQ(notifier_.Messages()[0], "Failed to output file!! [ " + missing + "/f_body_0000.raw ]");
  EXPECT_EQ(notifier_.Icons()[0], MessageIcon::kExclamation);

  // A run into a folder that exists reports nothing.
  Control<QPlainTextEdit>(4040)->setPlainText(dir.path());
  Click(3000);
  writer_.WriteFrameLogs(0, frame.data(), frame.size());
  writer_.WriteSettingsLog(DeviceParameters(), 1);
  panel_->LoggingRunEnded();
  EXPECT_EQ(notifier_.Messages().size(), 1u);
  EXPECT_TRUE(QFile::exists(dir.filePath("f_body_0000.raw")));
}

TEST_F(LoggingPanelTest, FolderButtonUsesTheChooser) {
  Make();
  Control<QPlainTextEdit>(4040)->setPlainText(QStringLiteral("/old"));
  QString offered;
  panel_->SetFolderChooser([&](const QString& initial, QString*) {
    offered = initial;
    return false;  // cancelled
  });
  Click(4041);
  EXPECT_EQ(offered, QStringLiteral("/old"));
  EXPECT_EQ(Control<QPlainTextEdit>(4040)->toPlainText(), QStringLiteral("/old"));
  QTemporaryDir place;
  panel_->SetFolderChooser([&](const QString&, QString* chosen) {
    *chosen = place.path();
    return true;
  });
  Click(4041);
  EXPECT_EQ(Control<QPlainTextEdit>(4040)->toPlainText(), place.path());
  Click(3000);
  EXPECT_EQ(writer_.SaveFolder(), place.path().toStdString());
}

TEST_F(LoggingPanelTest, DestroyedWithARefusedValueInAFocusedField) {
  Make();
  QSpinBox* total = Control<QSpinBox>(4010);
  total->setFocus();
  total->setValue(0);
  panel_.reset();  // no check, no message, no crash
  EXPECT_TRUE(notifier_.Messages().empty());
}

TEST_F(LoggingPanelTest, MirrorFlagsReachTheWriter) {
  Make();
  panel_->SetMirror(1, 0);
  EXPECT_TRUE(writer_.GetMirror().x);
  EXPECT_FALSE(writer_.GetMirror().y);
  panel_->SetMirror(0, 1);
  EXPECT_FALSE(writer_.GetMirror().x);
  EXPECT_TRUE(writer_.GetMirror().y);
}

// The folder picker itself: chosen folders and cancels.
TEST(BrowseFolderDialog, ReturnsTheChosenFolderOrCancel) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("logs")));
  const QString logs = dir.filePath(QStringLiteral("logs"));
  QWidget owner;
  CBrowseFolderDialog browser(&owner);

  QString title;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
    dialog->selectFile(logs);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  EXPECT_EQ(browser.DoModal(dir.path()), CBrowseFolderDialog::kChosen);
  EXPECT_EQ(title, QStringLiteral("Select folder"));
  EXPECT_EQ(QDir(browser.GetSelectedPath()).absolutePath(), QDir(logs).absolutePath());

  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
  });
  EXPECT_EQ(browser.DoModal(dir.path()), CBrowseFolderDialog::kCancelled);
}

}  // namespace
}  // namespace kelvara

namespace kelvara {
namespace {

// Start with the folder field as typed: a refused folder starts nothing and
// saves nothing; same-name files need a Yes.
TEST_F(LoggingPanelTest, TheFolderIsCheckedAndSameNameFilesNeedAYes) {
  QTemporaryDir dir;
  QFile(dir.filePath("old_0000.csv")).open(QIODevice::WriteOnly);
  const std::string folder = dir.path().toStdString();
  const struct {
    std::string typed;
    const char* file_name;
    bool yes;             // the answer to the question, if one is asked
    bool question;        // a question is asked
    std::string message;  // the refusal; empty when the run starts (or No)
    bool starts;
  } cases[] = {
      {"", "new", true, false, "Choose a folder for the log files first: the folder field is empty.", false},
      {" \n", "new", true, false, "Choose a folder for the log files first: the folder field is empty.", false},
      {folder + "\nx", "new", true, false, "The folder must be one line without line breaks. [ " + folder + "\nx ]",
       false},
      {folder + "\n", "new", true, false, "", true},
      {folder, "old", false, true, "", false},
      {folder, "old", true, true, "", true},
  };
  for (const auto& c : cases) {
    IniWriteString("Logging", "SavePath", "/kept");
    IniWriteString("Logging", "FileName", "kept");
    Make();
    bool asked = false;
    panel_->SetQuestion([&](const QString&) {
      asked = true;
      return c.yes;
    });
    Control<QPlainTextEdit>(4040)->setPlainText(QString::fromStdString(c.typed));
    Control<QLineEdit>(4030)->setText(QString::fromLatin1(c.file_name));
    const size_t shown = notifier_.Messages().size();
    hub_.Take();
    Click(3000);
    EXPECT_EQ(asked, c.question) << c.typed;
    const Messages posted = hub_.Take();
    const bool started = std::any_of(posted.begin(), posted.end(),
                                     [](const RecordedMessage& m) { return m.message == UWM_START_LOGGING; });
    EXPECT_EQ(started, c.starts) << c.typed;
    EXPECT_EQ(notifier_.Messages().size() > shown ? notifier_.Messages().back() : std::string(), c.message) << c.typed;
    // Nothing of a run that did not start reaches the profile.
    EXPECT_EQ(profile_.ReadString("Logging", "SavePath"), c.starts ? folder : "/kept") << c.typed;
    EXPECT_EQ(profile_.ReadString("Logging", "FileName"), c.starts ? c.file_name : "kept") << c.typed;
    panel_.reset();
  }
}

}  // namespace
}  // namespace kelvara
