// Port entries whose simulator is gone: a killed simulator leaves its entry
// behind, and the pseudo-terminal number it names may by now belong to
// someone else's terminal. Such an entry is neither listed nor opened, and
// the next registration removes it; links a user made keep working, and a
// terminal opened through the library gets its own settings back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "uart/UART.h"

namespace kelvara {
namespace {

std::vector<int> Listed() {
  signed char list[127];
  const int n = com_getActive(list, 127);
  return std::vector<int>(list, list + std::max(n, 0));
}

bool Has(const std::vector<int>& ports, int port) { return std::find(ports.begin(), ports.end(), port) != ports.end(); }

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// A terminal of someone else's, with its settings as a shell leaves them.
class UserTerminal {
 public:
  UserTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    device_ = ptsname(master_);
    slave_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  ~UserTerminal() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  const std::string& device() const { return device_; }
  tcflag_t local_flags() const {
    termios t{};
    tcgetattr(slave_, &t);
    return t.c_lflag;
  }
  // Whether anything was written to the terminal.
  bool received() const {
    pollfd p = {master_, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string device_;
};

class StalePortsTest : public ::testing::Test {
 protected:
  std::string Entry(int port) const { return std::string(getenv("KELVARA_PORT_DIR")) + "/COM" + std::to_string(port); }
  testing::PrivateRuntimeDir dir_;
};

TEST_F(StalePortsTest, AKilledSimulatorsEntryLeadsNowhere) {
  auto killed = testing::SimProcess::Start({"--scene", "pattern"}, 1);
  ASSERT_TRUE(killed) << testing::SimProcess::last_error();
  ASSERT_TRUE(Has(Listed(), 1));
  killed->Stop(SIGKILL);
  ASSERT_TRUE(Exists(Entry(1))) << "a killed simulator cannot clean up";

  // Its entry now names a terminal of someone else's (as when the number of
  // the pseudo-terminal is given out again).
  UserTerminal user;
  ASSERT_FALSE(user.device().empty());
  ASSERT_EQ(unlink(Entry(1).c_str()), 0);
  ASSERT_EQ(symlink(user.device().c_str(), Entry(1).c_str()), 0);
  EXPECT_FALSE(Has(Listed(), 1));
  EXPECT_EQ(com_init(1, 0), 0);
  EXPECT_FALSE(user.received());

  // The next simulator to register removes it.
  auto next = testing::SimProcess::Start({"--scene", "pattern"}, 3);
  ASSERT_TRUE(next) << testing::SimProcess::last_error();
  EXPECT_FALSE(Exists(Entry(1)));
  EXPECT_FALSE(Exists(Entry(1) + ".lock"));
  EXPECT_EQ(Listed(), std::vector<int>{3});
}

TEST_F(StalePortsTest, AUsersOwnLinkWorksAndItsTerminalIsGivenBack) {
  UserTerminal user;
  ASSERT_FALSE(user.device().empty());
  const tcflag_t before = user.local_flags();
  ASSERT_NE(before & ECHO, 0u);
  mkdir(getenv("KELVARA_PORT_DIR"), 0700);
  ASSERT_EQ(symlink(user.device().c_str(), Entry(5).c_str()), 0);
  EXPECT_TRUE(Has(Listed(), 5));
  ASSERT_NE(com_init(5, 0), 0);
  EXPECT_EQ(user.local_flags() & ECHO, 0u) << "raw while open";
  com_close();
  EXPECT_EQ(user.local_flags(), before);

  // A regular file posing as a device is refused.
  const std::string file = dir_.path() + "/not-a-tty";
  close(open(file.c_str(), O_CREAT | O_WRONLY, 0600));
  ASSERT_EQ(symlink(file.c_str(), Entry(6).c_str()), 0);
  EXPECT_EQ(com_init(6, 0), 0);
}

}  // namespace
}  // namespace kelvara
