// kelvara-capture against the simulator when things go wrong around it: the
// signals of a closed terminal and a closed pipe, interrupts while the
// camera is silent, and a file size limit part-way through a file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "link/camera_link.h"
#include "link/serial_library.h"
#include "testing/await.h"
#include "testing/child_process.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::Await;
using testing::ChildProcess;
using testing::ListFolder;
using testing::PrivateRuntimeDir;
using testing::ReadFile;
using testing::RunProgram;
using testing::SimProcess;

// True once the child has ended (it is not reaped: Wait() still collects it).
bool HasEnded(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

bool EndsWithin(pid_t pid, std::chrono::milliseconds limit) {
  return Await([pid] { return HasEnded(pid); }, limit, std::chrono::milliseconds(10));
}

// True once `pid` holds `device` open.
bool HoldsOpen(pid_t pid, const std::string& device) {
  const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
  for (const std::string& fd : ListFolder(folder)) {
    char target[256];
    const ssize_t n = readlink((folder + "/" + fd).c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == device) return true;
  }
  return false;
}

// The camera is no longer measuring: it refuses a result request.
void ExpectCameraStopped(int port) {
  CameraLink link(UartSerialLibrary());
  ASSERT_TRUE(link.Open(port));
  unsigned char status = 0;
  EXPECT_EQ(link.GetResult(&status, nullptr), 0);
  EXPECT_NE(status, 0);
  link.Close();
}

class CaptureFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { out_ = runtime_.path() + "/logs"; }
  std::unique_ptr<SimProcess> StartSim() {
    auto sim = SimProcess::Start({"--scene", "pattern"});
    EXPECT_TRUE(sim) << SimProcess::last_error();
    return sim;
  }
  std::vector<std::string> Capture(int port, std::vector<std::string> args) {
    args.insert(args.begin(), {KELVARA_CAPTURE_PATH, "--port", std::to_string(port)});
    return args;
  }
  // A run that logs raw files until it is stopped.
  std::vector<std::string> EndlessRun(int port) {
    return Capture(port, {"--format", "1", "--total", "999999", "--bin", "--name", "i", "--out", out_});
  }
  bool FramesOnDisk(size_t n) {
    return Await([&] { return ListFolder(out_ + "/0000").size() >= n; });
  }

  PrivateRuntimeDir runtime_;
  std::string out_;
};

// A closed terminal (SIGHUP) and a reader that went away (SIGPIPE) end the
// logging run as Ctrl-C does: settings block written, camera stopped.
TEST_F(CaptureFaultsTest, HangupAndBrokenPipeEndTheRunCleanly) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  for (int sig : {SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(strsignal(sig));
    ChildProcess capture(EndlessRun(sim->port()), {ChildProcess::kDiscard, ChildProcess::kCapture});
    ASSERT_TRUE(FramesOnDisk(2));
    ASSERT_EQ(kill(capture.pid(), sig), 0);
    ASSERT_EQ(capture.Wait(), 0) << capture.err();
    const size_t logged = ListFolder(out_ + "/0000").size();
    EXPECT_NE(ReadFile(out_ + "/i.txt").find("Number of samples : " + std::to_string(logged) + "\r\n"),
              std::string::npos);
    ExpectCameraStopped(sim->port());
    ASSERT_EQ(system(("rm -rf '" + out_ + "'").c_str()), 0);
  }
}

// A silent camera holds the connect sequence for seconds; an interrupt ends
// it at once, since nothing has been logged yet.
TEST_F(CaptureFaultsTest, InterruptWhileConnectingEndsPromptly) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  ASSERT_EQ(kill(sim->pid(), SIGSTOP), 0);
  ChildProcess capture(EndlessRun(sim->port()), {ChildProcess::kDiscard, ChildProcess::kCapture});
  ASSERT_TRUE(Await([&] { return HoldsOpen(capture.pid(), sim->device_path()); }));
  ASSERT_EQ(kill(capture.pid(), SIGINT), 0);
  const bool ended = EndsWithin(capture.pid(), std::chrono::seconds(5));
  kill(sim->pid(), SIGCONT);
  ASSERT_TRUE(ended) << "still connecting";
  EXPECT_EQ(capture.Wait(), 130) << capture.err();
  EXPECT_NE(capture.err().find("interrupted while connecting"), std::string::npos) << capture.err();
  EXPECT_TRUE(ListFolder(out_).empty());
}

// A second stop request ends the program within a second even while the link
// is stalled (here the simulator is stopped mid-run).
TEST_F(CaptureFaultsTest, SecondInterruptEndsAtOnceWhileTheLinkIsStalled) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  ChildProcess capture(EndlessRun(sim->port()), {ChildProcess::kDiscard, ChildProcess::kCapture});
  ASSERT_TRUE(FramesOnDisk(2));
  ASSERT_EQ(kill(sim->pid(), SIGSTOP), 0);
  // Two different signals: two of the same kind sent at once may merge into
  // one pending signal.
  ASSERT_EQ(kill(capture.pid(), SIGINT), 0);
  ASSERT_EQ(kill(capture.pid(), SIGTERM), 0);
  // Generous for a loaded machine; the link alone would hold it for seconds.
  const bool ended = EndsWithin(capture.pid(), std::chrono::seconds(4));
  kill(sim->pid(), SIGCONT);
  ASSERT_TRUE(ended);
  const int status = capture.Wait();
  EXPECT_TRUE(status == 0 || status == 130) << status << capture.err();
}

// Under a file size limit some files cannot be written: the program is not
// killed, the files that failed are absent (never truncated), the others
// and the settings block are whole, and the run reports the first failure.
TEST_F(CaptureFaultsTest, FileSizeLimitLeavesOnlyWholeFiles) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  std::vector<std::string> args =
      Capture(sim->port(), {"--format", "1", "--total", "3", "--csv", "--bin", "--name", "f", "--out", out_});
  // Raw files (153600 bytes) fit under the limit, CSV files (460800) do not.
  args.insert(args.begin(), {"/usr/bin/prlimit", "--fsize=300000"});
  std::string err;
  EXPECT_EQ(RunProgram(args, &err), 6) << err;
  EXPECT_NE(err.find("Failed to output file!! [ " + out_ + "/f_0000.csv ]"), std::string::npos) << err;
  EXPECT_NE(err.find("0 frames logged"), std::string::npos) << err;
  std::set<std::string> expected = {"f.txt", "f_temp.csv", "f_theta.raw", "f_phi.raw"};
  for (int n = 0; n < 3; ++n) expected.insert("f_body_000" + std::to_string(n) + ".raw");
  EXPECT_EQ(ListFolder(out_), expected);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(ReadFile(out_ + "/f_body_000" + std::to_string(n) + ".raw").size(), 153600u);
  EXPECT_NE(ReadFile(out_ + "/f.txt").find("Number of samples : 3\r\n"), std::string::npos);
  ExpectCameraStopped(sim->port());
}

}  // namespace
}  // namespace kelvara
