// The main dialog over a recording: opening shows the recorded camera and
// its first frame with the playback bar; the bar's steps and the View
// panel's Start drive the run; a port goes back to live cameras; a file
// that is no recording is reported and the client stays usable.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/frame_geometry.h"
#include "config/connection_panel.h"
#include "config/testing/recording_notifier.h"
#include "config/testing/temp_program_folder.h"
#include "display/view_panel.h"
#include "logging/logging_panel.h"
#include "measure/testing/fake_camera.h"
#include "playback/playback_bar.h"
#include "recording/recording_writer.h"
#include "shell/kelvara_dlg.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

class PlaybackDlgTest : public ::testing::Test {
 protected:
  PlaybackDlgTest() : camera_(1) {
    paths_.program_folder = folder_.path();
    paths_.data_folder = folder_.path();
    paths_.profile_path = folder_.ini();
    PrepareClientFolders(paths_);
    path_ = folder_.path() + "/five.kvrec";
    recording::RecordingHeader h;
    h.format_code = 0x0000;
    h.replies = {{CMD_GET_VERSION, {'C', 'A', 'M', '-', '1', 'x', 'x', 'x', 'x', 'x', 'x', 2, 3, 4, 0, 0, 0, 9}},
                 {CMD_GET_EXPOSURE, {0x03, 0xE8, 0, 0, 0, 0, 20}}};
    recording::RecordingWriter w;
    EXPECT_TRUE(w.Open(path_, h));
    std::vector<unsigned char> frame(kMeasurementFrameBytes);
    for (int k = 0; k < 5; ++k) w.Append(recording::RecordKind::kFrame, k * 50000000LL, frame.data(), frame.size());
    EXPECT_TRUE(w.Close());
  }
  static Display3DOptions No3D() {
    Display3DOptions o;
    o.window_exists = [] { return true; };
    return o;
  }
  static bool Await(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 20000); }
  // The View panel's "Start"/"Stop" once it reads `caption` and is enabled.
  static QAbstractButton* StartButton(CKelvaraDlg& dlg, const char* caption) {
    auto* button = dlg.view()->findChild<QAbstractButton*>("id3000");
    if (!Await([&] { return button->isEnabled() && button->text() == QLatin1String(caption); })) return nullptr;
    return button;
  }
  static QAbstractButton* Named(QWidget* root, const char* name) {
    for (auto* b : root->findChildren<QAbstractButton*>())
      if (b->accessibleName() == QLatin1String(name)) return b;
    return nullptr;
  }

  testing::TempProgramFolder folder_;
  FakeCamera camera_;
  ClientPaths paths_;
  RecordingNotifier notifier_;
  std::string path_;
};

TEST_F(PlaybackDlgTest, ARecordingOpensAsTheCameraAndTheBarDrivesIt) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.connection()->SetFileChooser([this] { return path_; });
  Named(&dlg, "Open recording...")->click();
  EXPECT_TRUE(dlg.windowTitle().endsWith("Server Version 2.3.4.00000009")) << dlg.windowTitle().toStdString();
  EXPECT_TRUE(dlg.status()->connection()->text().startsWith("five.kvrec - server 2.3.4"));
  EXPECT_FALSE(dlg.playback()->isHidden());
  EXPECT_EQ(dlg.session().model().parameters().exposure_us.current, 1000);
  // The first frame, then paused.
  ASSERT_TRUE(Await([&] { return dlg.session().State() == SessionState::kReady && dlg.WorkerRunning() == false; }));
  EXPECT_EQ(dlg.session().LastSummary().frames, 1);
  EXPECT_EQ(dlg.camera_switch().control().Status().shown, 0);
  ASSERT_NE(StartButton(dlg, "Start"), nullptr);
  // The recorded settings are shown, not changed.
  EXPECT_FALSE(Named(&dlg, "Set")->isEnabled());
  // A step shows the next frame.
  Named(dlg.playback(), "Step forward")->click();
  ASSERT_TRUE(Await([&] { return dlg.camera_switch().control().Status().shown == 1 && !dlg.WorkerRunning(); }))
      << dlg.camera_switch().control().Status().shown << " " << dlg.WorkerRunning() << " "
      << SessionStateName(dlg.session().State()) << " " << dlg.camera_switch().control().Status().position;
  ASSERT_NE(StartButton(dlg, "Start"), nullptr);
  // Play runs the View panel's Start: the run plays to the end and rests
  // on the last frame, with nothing lost.
  Named(dlg.playback(), "Play")->click();
  ASSERT_TRUE(Await([&] { return dlg.Measuring(); }));
  ASSERT_TRUE(Await([&] { return dlg.camera_switch().control().Status().shown == 4; }));
  ASSERT_TRUE(Await([&] { return dlg.camera_switch().control().Status().paused; }));
  EXPECT_EQ(dlg.session().Health().FailedCycles(), 0);
  EXPECT_TRUE(dlg.Measuring());  // the run stays
  StartButton(dlg, "Stop")->click();
  ASSERT_TRUE(Await([&] { return !dlg.WorkerRunning(); }))
      << SessionStateName(dlg.session().State()) << " " << dlg.session().Health().frames_received << " "
      << dlg.session().Health().FailedCycles();
  EXPECT_TRUE(notifier_.Messages().empty());
  EXPECT_TRUE(camera_.Codes().empty());  // nothing went to the live camera

  // A port goes back to the live camera.
  dlg.connection()->Connect();
  EXPECT_FALSE(dlg.camera_switch().PlaysRecording());
  EXPECT_TRUE(dlg.playback()->isHidden());
  EXPECT_EQ(dlg.session().State(), SessionState::kReady);
  EXPECT_FALSE(camera_.Codes().empty());
  EXPECT_TRUE(Named(&dlg, "Set")->isEnabled());
}

TEST_F(PlaybackDlgTest, LoggingPlaysAPausedRecordingAndEndsAtItsEnd) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.OpenRecording(path_);
  ASSERT_NE(StartButton(dlg, "Start"), nullptr);
  // More frames asked for than the recording holds.
  CLogging* logging = dlg.logging();
  logging->findChild<QLineEdit*>("id4030")->setText(QStringLiteral("run"));
  logging->findChild<QPlainTextEdit*>("id4040")->setPlainText(QString::fromStdString(folder_.path()));
  logging->findChild<QSpinBox*>("id4010")->setValue(100);
  auto* start = logging->findChild<QPushButton*>("id3000");
  start->click();
  // From the frame on screen to the end, where the logging run ends with
  // each frame logged once, and the run it started with it.
  ASSERT_TRUE(Await([&] { return dlg.session().Health().frames_logged == 5; }));
  ASSERT_TRUE(Await([&] { return !dlg.WorkerRunning(); }));
  EXPECT_EQ(dlg.session().LastSummary().health.frames_logged, 5);
  EXPECT_EQ(dlg.session().LastSummary().health.FailedCycles(), 0);
  EXPECT_FALSE(dlg.session().Logging());
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"The recording ended: 5 of 100 frames logged."});
  EXPECT_NE(kelvara::testing::ReadFile(folder_.path() + "/run.txt").find("Number of samples : 5\r\n"),
            std::string::npos);
  EXPECT_TRUE(Await([&] { return start->text() == QLatin1String("Start") && start->isEnabled(); }))
      << start->text().toStdString();
}

TEST_F(PlaybackDlgTest, AFileThatIsNoRecordingIsReportedAndTheClientStaysUsable) {
  const std::string bad = folder_.path() + "/notes.kvrec";
  kelvara::testing::WriteFile(bad, "just some notes");
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.OpenRecording(bad);
  ASSERT_EQ(notifier_.Messages().size(), 1u);
  EXPECT_EQ(notifier_.Messages()[0], "The recording cannot be opened (" + bad + ": not a recording).");
  EXPECT_EQ(dlg.session().State(), SessionState::kDisconnected);
  EXPECT_TRUE(dlg.playback()->isHidden());
  EXPECT_EQ(dlg.windowTitle(), dlg.ClientTitle());
  dlg.connection()->Connect();
  EXPECT_EQ(dlg.session().State(), SessionState::kReady);
}

TEST_F(PlaybackDlgTest, ACutRecordingSaysHowManyWholeFramesItPlays) {
  kelvara::testing::WriteFile(path_, kelvara::testing::ReadFile(path_) + std::string(700, 2));
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.OpenRecording(path_);
  ASSERT_EQ(notifier_.Messages().size(), 1u);
  EXPECT_EQ(notifier_.Messages()[0],
            "The recording " + path_ + " is cut off: it plays up to its last whole frame (5 whole frames).");
  EXPECT_NE(dlg.session().State(), SessionState::kDisconnected);
}

}  // namespace
}  // namespace kelvara
