#include "feed3d/display3d_control.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <string>

#include "config/profile_store.h"
#include "config/testing/temp_program_folder.h"
#include "feed3d/testing/fake_velmar.h"
#include "testing/await.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::Await;
using testing::TempProgramFolder;
using testing::WriteFile;

class Display3DControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeVelmar_Reset();
    ASSERT_EQ(symlink(FAKE_VELMAR_PATH, (folder.path() + "libvelmar.so").c_str()), 0);
    ASSERT_EQ(symlink(FAKE_VIEWER_PATH, (folder.path() + "Orvinel").c_str()), 0);
    unsetenv("FAKE_VIEWER_LOG");
    unsetenv("FAKE_VIEWER_IGNORE_TERM");
    IniSetFilePath(folder.path() + "Kelvara.ini");
    IniWriteInt("3D", "UpdateInterval", 1);
    WriteFile(folder.path() + "3d_data/data_no", "2");
  }

  Display3DOptions FastOptions(int settle_ms = 1) {
    Display3DOptions options;
    options.window_exists = [this] { return window_shown.load(); };
    options.timing.push_retry_ms = 1;
    options.timing.settle_ms = settle_ms;
    return options;
  }

  static bool SawCall(const std::string& prefix) {
    for (int i = 0; i < FakeVelmar_CallCount(); ++i)
      if (std::string(FakeVelmar_Call(i)).rfind(prefix, 0) == 0) return true;
    return false;
  }

  TempProgramFolder folder;
  Display3DState state;
  std::atomic<bool> window_shown{false};
};

TEST_F(Display3DControlTest, StartFeedsTheViewerAndStopEndsIt) {
  Display3DControl control(folder.path(), &state, FastOptions());
  EXPECT_EQ(state.stopped.load(), 1);
  control.Start();
  EXPECT_EQ(state.stopped.load(), 0);
  EXPECT_TRUE(control.viewer().Holds());
  // Frames flow: the bridge passes the ring file that data_no names.
  ASSERT_TRUE(Await([] { return SawCall("data "); }));
  EXPECT_TRUE(SawCall("data " + folder.path() + "3d_data/data_2.bin"));

  window_shown = true;
  control.Stop();
  EXPECT_EQ(state.stopped.load(), 1);
  EXPECT_FALSE(control.viewer().Holds());  // terminated and reaped
  control.WaitForBridgeThread();
  std::string interval;
  IniReadString("3D", "UpdateInterval", "", &interval);
  EXPECT_EQ(interval, "1");
}

TEST_F(Display3DControlTest, AViewerFoundRunningIsNeitherStartedNorEnded) {
  window_shown = true;
  Display3DControl control(folder.path(), &state, FastOptions());
  control.Start();
  EXPECT_FALSE(control.viewer().Holds());
  control.Stop();
  EXPECT_FALSE(control.viewer().Holds());

  // Started by us, but its window is not shown: left alone by the stop.
  window_shown = false;
  control.Start();
  ASSERT_TRUE(control.viewer().Holds());
  control.Stop();
  EXPECT_TRUE(control.viewer().Holds());
  EXPECT_TRUE(control.viewer().Running());
  control.viewer().Terminate();
}

// A stop ends the bridge thread at once, even in its long first wait, and a
// quick restart waits for it: there is never a second bridge thread.
TEST_F(Display3DControlTest, StopCutsTheWaitAndRestartsNeverOverlap) {
  window_shown = true;  // the tests' viewer "exists": none is started
  Display3DControl control(folder.path(), &state, FastOptions(3600 * 1000));
  for (int round = 0; round < 5; ++round) {
    control.Start();
    ASSERT_TRUE(Await([round] { return FakeVelmar_CallCount() >= 4 * (round + 1); }));
    control.Stop();
  }
  control.WaitForBridgeThread();
  ASSERT_EQ(FakeVelmar_CallCount(), 20);
  // Each thread made its four pushes before the next thread made any.
  for (int i = 0; i < 20; i += 4) {
    for (int k = 1; k < 4; ++k) EXPECT_EQ(FakeVelmar_CallThread(i + k), FakeVelmar_CallThread(i));
    EXPECT_EQ(std::string(FakeVelmar_Call(i)).rfind("range ", 0), 0u);
  }
}

TEST_F(Display3DControlTest, WithoutTheLibraryTheRingStillRunsUntilStopped) {
  unlink((folder.path() + "libvelmar.so").c_str());
  window_shown = true;
  Display3DControl control(folder.path(), &state, FastOptions());
  control.Start();
  control.WaitForBridgeThread();  // ended by itself, silently
  EXPECT_EQ(state.stopped.load(), 0);
  EXPECT_EQ(FakeVelmar_CallCount(), 0);
  control.Stop();
  EXPECT_EQ(state.stopped.load(), 1);
}

}  // namespace
}  // namespace kelvara
