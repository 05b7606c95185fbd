// "Record" in the main dialog against a fake camera: refused without a
// camera, a recording into the logging folder while it is down, the
// "Recorded" item live and then greyed with its last figures, and a
// disconnect that lets the button up.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <string>

#include "config/connection_panel.h"
#include "config/profile_store.h"
#include "config/testing/recording_notifier.h"
#include "config/testing/temp_program_folder.h"
#include "display/view_panel.h"
#include "measure/testing/fake_camera.h"
#include "recording/recording_reader.h"
#include "shell/kelvara_dlg.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

class RecordButtonTest : public ::testing::Test {
 protected:
  RecordButtonTest() {
    paths_.program_folder = folder_.path();
    paths_.data_folder = folder_.path();
    paths_.profile_path = folder_.ini();
    PrepareClientFolders(paths_);
    logs_ = folder_.path() + "logs";
    std::filesystem::create_directory(logs_);
    IniWriteString("Logging", "SavePath", logs_);
    IniWriteString("Logging", "FileName", "desk");
  }
  static Display3DOptions No3D() {
    Display3DOptions o;
    o.window_exists = [] { return true; };
    return o;
  }
  static bool Await(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 20000); }
  static QPushButton* Record(CKelvaraDlg& dlg) {
    auto* button = dlg.view()->findChild<QPushButton*>("id3065");
    EXPECT_NE(button, nullptr);
    EXPECT_EQ(button->accessibleName().isEmpty() ? button->text() : button->accessibleName(), "Record");
    return button;
  }
  std::string Recorded(CKelvaraDlg& dlg) { return dlg.status()->recorded()->text().toStdString(); }

  testing::TempProgramFolder folder_;
  std::string logs_;
  FakeCamera camera_{1};
  ClientPaths paths_;
  RecordingNotifier notifier_;
};

TEST_F(RecordButtonTest, RefusedWithoutACameraThenRecordsWhileDown) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  QPushButton* record = Record(dlg);
  ASSERT_TRUE(record->isCheckable());
  EXPECT_EQ(dlg.status()->recorded()->accessibleName(), "Recorded");
  EXPECT_EQ(Recorded(dlg), "Recorded --");

  record->click();
  EXPECT_FALSE(record->isChecked()) << "popped up again";
  ASSERT_EQ(notifier_.Messages().size(), 1u);
  EXPECT_EQ(notifier_.Messages()[0], "Record: not connected. Connect to the camera first, then press Record.");
  EXPECT_TRUE(std::filesystem::is_empty(logs_));

  dlg.connection()->Connect();
  ASSERT_TRUE(Await([&] { return dlg.session().State() == SessionState::kReady; }));
  record->click();
  ASSERT_TRUE(record->isChecked());
  const QString started = dlg.status()->Line();
  EXPECT_TRUE(started.startsWith(QString::fromStdString("Recording to " + logs_ + "/desk_"))) << started.toStdString();
  EXPECT_TRUE(started.endsWith(".kvrec")) << started.toStdString();
  const std::string path = started.mid(static_cast<int>(std::string("Recording to ").size())).toStdString();
  EXPECT_TRUE(dlg.status()->recorded()->isEnabled());

  PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return dlg.session().Recording().frames >= 3; }));
  ASSERT_TRUE(Await([&] { return Recorded(dlg).rfind("Recorded 0 ", 0) != 0; }));
  record->click();
  EXPECT_FALSE(record->isChecked());
  const RecordingStatus status = dlg.session().Recording();
  EXPECT_EQ(dlg.status()->Line().toStdString(),
            "Recording ended: " + std::to_string(status.frames) + " frames in " + path);
  EXPECT_FALSE(dlg.status()->recorded()->isEnabled()) << "greyed, with the last figures";
  char size[32];
  std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(status.bytes) / 1e6);
  EXPECT_EQ(Recorded(dlg), "Recorded " + std::to_string(status.frames) + " frames, " + size);
  EXPECT_TRUE(dlg.Measuring()) << "the run goes on without the recording";

  recording::RecordingReader reader;
  ASSERT_TRUE(reader.Open(path)) << reader.error();
  EXPECT_EQ(static_cast<int64_t>(reader.frames().size()), status.frames);
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(path)), status.bytes);
  for (size_t i = 1; i < notifier_.Messages().size(); ++i)
    EXPECT_EQ(notifier_.Messages()[i].find("Record"), std::string::npos) << notifier_.Messages()[i];
}

TEST_F(RecordButtonTest, ADisconnectEndsTheRecordingAndLetsTheButtonUp) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.connection()->Connect();
  ASSERT_TRUE(Await([&] { return dlg.session().State() == SessionState::kReady; }));
  QPushButton* record = Record(dlg);
  record->click();
  ASSERT_TRUE(record->isChecked());
  PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return dlg.session().Recording().frames >= 2; }));
  PostWindowMessage(&dlg, UWM_DISCONNECTED, 0, 0);
  ASSERT_TRUE(Await([&] { return !record->isChecked(); }));
  const RecordingStatus status = dlg.session().Recording();
  EXPECT_FALSE(status.on);
  EXPECT_TRUE(status.error.empty()) << status.error;
  recording::RecordingReader reader;
  ASSERT_TRUE(reader.Open(status.path)) << reader.error();
  EXPECT_EQ(reader.trailing_bytes(), 0u);
  EXPECT_EQ(static_cast<int64_t>(reader.frames().size()), status.frames);
}

}  // namespace
}  // namespace kelvara
