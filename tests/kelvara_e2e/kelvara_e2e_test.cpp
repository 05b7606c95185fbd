// The client against the simulator on an X display: connect (with the table
// upload), set and read back a parameter, a refused value, Refresh, a
// second start, and closing the window during a run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "camsim/testing/sim_process.h"
#include "common/runtime_dir.h"
#include "config/connection_panel.h"
#include "config/notifier.h"
#include "config/setting_panel.h"
#include "config/testing/recording_notifier.h"
#include "config/testing/temp_program_folder.h"
#include "display/picture_window.h"
#include "link/camera_link.h"
#include "link/serial_library.h"
#include "shell/client_paths.h"
#include "shell/instance_lock.h"
#include "shell/kelvara_dlg.h"
#include "widgets/window_messages.h"

extern char** environ;

namespace kelvara {
namespace {

constexpr int kPort = 9;

bool Await(const std::function<bool()>& condition, int ms = 30000) { return QTest::qWaitFor(condition, ms); }

void Screenshot(QWidget& window, const char* name) {
  const QString path = QStringLiteral(KELVARA_BUILD_DIR "/kelvara_e2e_%1.png").arg(name);
  EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

// True when nobody holds the device: the client has closed the port.
bool DeviceFree(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return free;
}

// Runs a program with `args`; returns its pid.
pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

// Waits for a visible window of process `pid` whose name matches `pattern`;
// its id, or "" after `ms`. (Asked again and again: a search can trip over a
// window that goes away meanwhile.)
std::string FindWindow(pid_t pid, const std::string& pattern, int ms) {
  for (int waited = 0; waited < ms; waited += 200) {
    const std::string found = Output(std::string(KELVARA_XDOTOOL) + " search --all --onlyvisible --pid " +
                                     std::to_string(pid) + " --name '" + pattern + "' 2>/dev/null");
    if (!found.empty()) return found.substr(0, found.find('\n'));
    QTest::qWait(200);
  }
  return "";
}

// Waits for the child to exit; its exit status, or -1 (then it is killed).
int WaitExit(pid_t pid, int ms) {
  int status = 0;
  for (int waited = 0; waited < ms; waited += 50) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QTest::qWait(50);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

class KelvaraE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = testing::SimProcess::Start({"--scene", "pattern"}, kPort);
    ASSERT_TRUE(sim_) << testing::SimProcess::last_error();
    paths_.program_folder = KELVARA_PROGRAM_FOLDER;
    paths_.data_folder = folder_.path();  // as an installed copy keeps them
    paths_.profile_path = folder_.ini();
    ASSERT_TRUE(PrepareClientFolders(paths_));
  }

  testing::PrivateRuntimeDir runtime_;
  testing::TempProgramFolder folder_;
  std::unique_ptr<testing::SimProcess> sim_;
  ClientPaths paths_;
  RecordingNotifier notifier_;
};

TEST_F(KelvaraE2eTest, ConnectSetRefreshSecondStartAndCloseDuringARun) {
  auto lock = std::make_unique<InstanceLock>(InstanceLockPath());  // as the running client holds it
  ASSERT_TRUE(lock->Held());
  Display3DOptions no3d;
  no3d.window_exists = [] { return true; };
  auto dlg = std::make_unique<CKelvaraDlg>(paths_, notifier_, UartSerialLibrary(), std::move(no3d));
  dlg->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));

  // Connect on the simulator's port: the table goes up first.
  auto* ports = dlg->findChild<QComboBox*>("id1001");
  const int entry = ports->findText(QStringLiteral("COM%1").arg(kPort));
  ASSERT_GE(entry, 0);
  ports->setCurrentIndex(entry);
  QTest::mouseClick(dlg->findChild<QPushButton*>("id1004"), Qt::LeftButton);
  ASSERT_TRUE(Await([&] { return dlg->windowTitle().contains("Server Version"); }));
  EXPECT_EQ(dlg->windowTitle(), dlg->ClientTitle() + " / Server Version 1.0.5.00000042");
  EXPECT_TRUE(std::filesystem::exists(folder_.path() + "uploaded")) << "the upload did not succeed";
  EXPECT_TRUE(notifier_.Messages().empty()) << notifier_.Messages().front();
  EXPECT_EQ(dlg->setting()->FormatSelection(), 1);
  Screenshot(*dlg, "connected");

  // Exposure through "Set", read back from the camera.
  auto* exposure = dlg->findChild<QLineEdit*>("id2010");
  auto* set = dlg->findChild<QPushButton*>("id2003");
  exposure->setText("500");
  QTest::mouseClick(set, Qt::LeftButton);
  unsigned char status = 1;
  ExposureRecord record;
  ASSERT_EQ(dlg->link().GetExposure(&status, &record), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(record.exposure_us, 500);
  // A value the camera refuses (Normal mode): reverted, with its message.
  exposure->setText("6000");
  QTest::mouseClick(set, Qt::LeftButton);
  EXPECT_EQ(notifier_.Messages(),
            std::vector<std::string>{"Set parameter failed!! [ Exposure time & Frame rate limitter ]"});
  EXPECT_EQ(exposure->text(), "500");
  ASSERT_EQ(dlg->link().GetExposure(&status, &record), 0);
  EXPECT_EQ(record.exposure_us, 500);

  // Refresh closes the port and disconnects the panels.
  EXPECT_FALSE(DeviceFree(sim_->device_path()));
  QTest::mouseClick(dlg->findChild<QPushButton*>("id1003"), Qt::LeftButton);
  EXPECT_TRUE(DeviceFree(sim_->device_path()));
  EXPECT_EQ(dlg->windowTitle(), dlg->ClientTitle());
  EXPECT_FALSE(exposure->isEnabled());

  // A second start of the program shows its message box and exits.
  const pid_t second = Spawn({KELVARA_PROGRAM_FOLDER "Kelvara"});
  ASSERT_GT(second, 0);
  const std::string box = FindWindow(second, "^Kelvara$", 20000);
  EXPECT_FALSE(box.empty()) << "no message box of the second instance";
  EXPECT_TRUE(Output("timeout 5 " KELVARA_XDOTOOL " search --all --onlyvisible --pid " + std::to_string(second) +
                     " --name 'Qor Imager' 2>/dev/null")
                  .empty())
      << "the second instance opened a main window";
  if (!box.empty()) Output("timeout 5 " KELVARA_XDOTOOL " key --window " + box + " Return");
  EXPECT_EQ(WaitExit(second, 15000), 0);

  // Connect again (no second upload), measure, and close the window during the run.
  QTest::mouseClick(dlg->findChild<QPushButton*>("id1004"), Qt::LeftButton);
  ASSERT_TRUE(Await([&] { return dlg->windowTitle().contains("Server Version"); }));
  PostWindowMessage(dlg.get(), UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return dlg->outputs().PicturesChanged() >= 5; }));
  Screenshot(*dlg, "measuring");
  if (dlg->picture()) Screenshot(*dlg->picture(), "picture");
  dlg->close();
  EXPECT_FALSE(dlg->WorkerRunning());
  EXPECT_FALSE(std::filesystem::exists(folder_.path() + "uploaded"));
  dlg.reset();

  // The simulator reports the camera stopped: a result request is refused
  // with "no measurement running" (status 3).
  ASSERT_TRUE(DeviceFree(sim_->device_path()));
  CameraLink link(UartSerialLibrary());
  ASSERT_TRUE(link.Open(kPort));
  EXPECT_EQ(link.GetResult(&status, nullptr), 0);
  EXPECT_EQ(status, 3);
  link.Close();

  // The program itself (the lock is free now): its main window comes up, and SIGTERM closes it as
  // the close button does (exit status 0).
  lock.reset();
  const pid_t client = Spawn({KELVARA_PROGRAM_FOLDER "Kelvara"});
  ASSERT_GT(client, 0);
  const std::string window = FindWindow(client, "Qor Imager Client Version", 20000);
  EXPECT_FALSE(window.empty()) << "no main window of Kelvara";
  kill(client, SIGTERM);
  EXPECT_EQ(WaitExit(client, 15000), 0);
}

}  // namespace
}  // namespace kelvara
