#include "feed3d/viewer_process.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "config/testing/temp_program_folder.h"
#include "feed3d/viewer_launch.h"
#include "feed3d/viewer_window.h"
#include "testing/await.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::Await;
using testing::ReadFile;
using testing::TempProgramFolder;

class ViewerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(symlink(FAKE_VIEWER_PATH, (folder.path() + "Orvinel").c_str()), 0);
    log_ = folder.path() + "viewer.log";
    setenv("FAKE_VIEWER_LOG", log_.c_str(), 1);
    unsetenv("FAKE_VIEWER_IGNORE_TERM");
  }
  bool LogWritten() const { return access(log_.c_str(), F_OK) == 0; }

  TempProgramFolder folder;
  std::string log_;
};

TEST_F(ViewerProcessTest, LaunchStartsTheViewerAloneWithoutATerminal) {
  ViewerProcess viewer;
  EXPECT_FALSE(LaunchViewer(&viewer, folder.path(), [] { return true; }));  // a viewer window exists
  EXPECT_FALSE(viewer.Holds());

  ASSERT_TRUE(LaunchViewer(&viewer, folder.path(), [] { return false; }));
  ASSERT_TRUE(viewer.Holds());
  ASSERT_TRUE(Await([&] { return LogWritten(); }));
  EXPECT_EQ(ReadFile(log_), "argc 1\narg Orvinel\nstdout /dev/null\nextra_fds 0\nsession_leader 1\n");
  // The started viewer counts as running even before its window shows.
  EXPECT_FALSE(LaunchViewer(&viewer, folder.path(), [] { return false; }));

  // It ends on SIGTERM with status 0. The grace is long because a loaded
  // machine (sanitizers, parallel tests) may take more than the default
  // second to schedule the viewer's exit; Terminate returns at the exit.
  EXPECT_EQ(viewer.Terminate(std::chrono::seconds(60)), 0);
  EXPECT_FALSE(viewer.Holds());
}

TEST_F(ViewerProcessTest, AViewerThatIgnoresSigtermIsKilledAndReaped) {
  setenv("FAKE_VIEWER_IGNORE_TERM", "1", 1);
  ViewerProcess viewer;
  ASSERT_TRUE(viewer.Start(folder.path() + "Orvinel"));
  ASSERT_TRUE(Await([&] { return LogWritten(); }));  // SIGTERM is ignored from here on
  pid_t pid = viewer.pid();
  EXPECT_EQ(viewer.Terminate(std::chrono::milliseconds(50)), -1);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);  // already reaped
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ViewerProcessTest, AnEndedViewerIsReapedAndAMissingOneIsNoError) {
  ViewerProcess viewer;
  ASSERT_TRUE(viewer.Start(folder.path() + "Orvinel"));
  ASSERT_TRUE(Await([&] { return LogWritten(); }));
  kill(viewer.pid(), SIGKILL);  // the user closed it
  EXPECT_TRUE(Await([&] { return !viewer.Running(); }));
  EXPECT_FALSE(viewer.Holds());

  ViewerProcess missing;
  EXPECT_FALSE(missing.Start(folder.path() + "NoSuchProgram"));
  EXPECT_FALSE(missing.Holds());
}

TEST(ViewerWindow, NoDisplayMeansNoWindow) {
  const char* display = std::getenv("DISPLAY");
  std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  EXPECT_FALSE(ViewerWindowExists());
  if (display) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
}  // namespace kelvara
