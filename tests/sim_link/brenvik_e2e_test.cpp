// Brenvik against the simulator: its exit statuses and its one-line reasons.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "link/camera_link.h"
#include "testing/child_process.h"
#include "tests/sim_link/sim_link_fixture.h"

namespace kelvara {
namespace {

struct RunResult {
  int exit_status = -1;
  std::string err;
};

// Runs Brenvik with `args` (no shell) and collects its stderr; `prefix`
// runs it through another program (prlimit).
RunResult RunBrenvik(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {}) {
  std::vector<std::string> argv = prefix;
  argv.push_back(KELVARA_BRENVIK_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult run;
  testing::ChildProcess child(argv, {testing::ChildProcess::kInherit, testing::ChildProcess::kCapture});
  if (!child.started()) return run;
  const int status = child.Wait();
  run.err = child.err();
  if (WIFEXITED(child.wait_status())) run.exit_status = status;
  return run;
}

bool OneLine(const std::string& s) { return !s.empty() && s.back() == '\n' && s.find('\n') == s.size() - 1; }

class BrenvikTest : public SimLinkTest {
 protected:
  void SetUp() override {
    SimLinkTest::SetUp();
    sim_ = testing::SimProcess::Start({"--scene", "pattern"}, kPort);
    ASSERT_TRUE(sim_) << testing::SimProcess::last_error();
    table_ = dir_.path() + "/qor_table.dat";
    std::vector<unsigned char> data(10000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
    const int fd = open(table_.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    close(fd);
  }
  std::string table_;
};

TEST_F(BrenvikTest, UploadsTheTable) {
  const RunResult r = RunBrenvik({"7", table_, "0x10000000"});
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.err, "");
  // The camera still answers the client afterwards.
  ASSERT_NE(com_init(kPort, 0), 0);
  unsigned char status = 0xFF;
  uint32_t length = 0;
  ASSERT_EQ(link_.ExecuteCommand(0x00, 0, nullptr, 500, &status, &length), 0);
  EXPECT_EQ(status, 0);
}

TEST_F(BrenvikTest, EachFailureHasItsStatusAndOneLine) {
  // A terminal that nobody answers, registered as COM8.
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string silent = std::string(getenv("KELVARA_PORT_DIR")) + "/COM8";
  ASSERT_EQ(symlink(ptsname(master), silent.c_str()), 0);
  // A port entry whose device is gone.
  const std::string gone = std::string(getenv("KELVARA_PORT_DIR")) + "/COM6";
  ASSERT_EQ(symlink((dir_.path() + "/no-such-device").c_str(), gone.c_str()), 0);
  const std::string empty = dir_.path() + "/empty.dat";
  close(open(empty.c_str(), O_CREAT | O_WRONLY, 0600));

  const struct {
    std::vector<std::string> args;
    int status;
    const char* says;
  } kCases[] = {
      {{"7", table_}, 1, "usage"},
      {{"x7", table_, "0x10000000"}, 1, "port"},
      {{"7", table_, "0xZZ"}, 1, "address"},
      {{"9", table_, "0x10000000"}, 2, "no such port COM9"},
      {{"6", table_, "0x10000000"}, 2, "COM6: No such file or directory"},
      {{"7", dir_.path() + "/missing.dat", "0x10000000"}, 3, "missing.dat"},
      {{"7", empty, "0x10000000"}, 3, "empty"},
      {{"7", dir_.path(), "0x10000000"}, 3, "not a regular file"},
      {{"8", table_, "0x10000000"}, 4, "no answer"},
      {{"7", table_, "0x20000000"}, 5, "refused"},
  };
  for (const auto& c : kCases) {
    const RunResult r = RunBrenvik(c.args);
    EXPECT_EQ(r.exit_status, c.status) << r.err;
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  close(master);
}

// The size is checked before the file is read: a 4 GiB table file is
// refused with status 3 even when the memory to hold it is not there.
TEST_F(BrenvikTest, AnOversizedTableIsRefusedWithoutReadingIt) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
#endif
  const std::string huge = dir_.path() + "/huge.dat";
  const int fd = open(huge.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 4LL << 30), 0);  // sparse: no disk space used
  close(fd);
  const RunResult r = RunBrenvik({"7", huge, "0x10000000"}, {"/usr/bin/prlimit", "--as=268435456"});
  EXPECT_EQ(r.exit_status, 3) << r.err;
  EXPECT_NE(r.err.find("larger than 16 MiB"), std::string::npos) << r.err;
}

TEST_F(BrenvikTest, APortHeldByTheClientIsReportedAsSuch) {
  ASSERT_NE(com_init(kPort, 0), 0);
  const RunResult r = RunBrenvik({"7", table_, "0x10000000"});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("COM7 cannot be opened: Device or resource busy"), std::string::npos) << r.err;
  EXPECT_TRUE(OneLine(r.err)) << r.err;
  com_close();
  EXPECT_EQ(RunBrenvik({"7", table_, "0x10000000"}).exit_status, 0);
}

}  // namespace
}  // namespace kelvara
