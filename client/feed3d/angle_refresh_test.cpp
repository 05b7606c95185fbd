#include "feed3d/angle_refresh.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "camsim/pattern_scene.h"
#include "config/testing/recording_notifier.h"
#include "config/testing/temp_program_folder.h"
#include "feed3d/angle_file.h"
#include "feed3d/feed3d_paths.h"
#include "link/testing/scripted_serial.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::ReadFile;
using testing::TempProgramFolder;
using testing::WriteFile;

class AngleRefreshTest : public ::testing::Test {
 protected:
  ScriptedSerial serial;
  PauseRecorder pauses;
  CameraLink link{serial, pauses.Function()};
  RecordingNotifier notifier;
  TempProgramFolder folder;
};

TEST_F(AngleRefreshTest, WritesTheCameraTable) {
  std::vector<unsigned char> reply = pattern::AngleTable();
  serial.QueueResponse(0, reply);
  ThetaPhiTable fetched;
  EXPECT_EQ(RefreshAngleFile(link, folder.path(), &notifier, &fetched), AngleRefreshResult::kWritten);
  // The table itself is handed back too (the client measures with it).
  ASSERT_EQ(fetched.theta.size(), 76800u);
  EXPECT_EQ(fetched.theta[119 * 320 + 160], pattern::Theta(119, 160));
  EXPECT_EQ(fetched.theta[0], pattern::Theta(0, 0));
  ASSERT_EQ(serial.sent.size(), 1u);
  EXPECT_EQ(serial.sent[0].code, 0x94);
  ASSERT_EQ(serial.receive_timeouts.size(), 1u);
  EXPECT_EQ(serial.receive_timeouts[0], 1000);
  EXPECT_TRUE(notifier.Messages().empty());
  // Row 119 holds the centre: its field 159 is 0.000000.
  std::string text = ReadFile(AngleFilePath(folder.path()));
  size_t lines = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 240u);
  EXPECT_NE(text.find("0.263672,0.000000,0.263672"), std::string::npos);
}

TEST_F(AngleRefreshTest, FallsBackToTheDeliveredFile) {
  WriteFile(FallbackAngleFilePath(folder.path()), "delivered table\r\n");
  WriteFile(AngleFilePath(folder.path()), "old content that is longer than the new one\r\n");
  serial.QueueResponse(1);  // the camera refuses
  ThetaPhiTable fetched;
  EXPECT_EQ(RefreshAngleFile(link, folder.path(), &notifier, &fetched), AngleRefreshResult::kFallbackCopied);
  EXPECT_TRUE(fetched.theta.empty());
  EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"Get θφTable failed!!"});
  EXPECT_EQ(notifier.Icons(), std::vector<MessageIcon>{MessageIcon::kNone});
  EXPECT_EQ(ReadFile(AngleFilePath(folder.path())), "delivered table\r\n");
}

TEST_F(AngleRefreshTest, ReportsAFailedFallback) {
  // No reply at all, and no angle.org to copy.
  EXPECT_EQ(RefreshAngleFile(link, folder.path(), &notifier), AngleRefreshResult::kFailed);
  const std::string path = AngleFilePath(folder.path());
  EXPECT_EQ(notifier.Messages(),
            (std::vector<std::string>{"Get θφTable failed!!", "Failed to output file!! [ " + path + " ]"}));
}

TEST_F(AngleRefreshTest, AnUnwritableAngleFileFallsBackSilently) {
  // angle.csv is a folder: neither the table nor the copy can be written,
  // and only the copy's failure is reported.
  ASSERT_EQ(mkdir(AngleFilePath(folder.path()).c_str(), 0700), 0);
  WriteFile(FallbackAngleFilePath(folder.path()), "delivered\r\n");
  serial.QueueResponse(0, pattern::AngleTable());
  EXPECT_EQ(RefreshAngleFile(link, folder.path(), &notifier), AngleRefreshResult::kFailed);
  ASSERT_EQ(notifier.Messages().size(), 1u);
  EXPECT_EQ(notifier.Messages()[0].rfind("Failed to output file!! [ ", 0), 0u);
}

}  // namespace
}  // namespace kelvara
