#include "viewer/pipe_server.h"
#include "testing/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace kelvara {
namespace viewer {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class PipeServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    path_ = dir_ + "/mypipe";
  }

  static sockaddr_un address(const std::string& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof(a.sun_path) - 1);
    return a;
  }

  // A connected sender socket, or -1.
  int connectSender() const {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a = address(path_);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }

  // Sends one message in one write on its own connection.
  bool send(const std::string& message) const {
    int fd = connectSender();
    if (fd < 0) return false;
    bool ok = write(fd, message.data(), message.size()) == static_cast<ssize_t>(message.size());
    close(fd);
    return ok;
  }

  // Waits until a command is pending (the reader works on its own thread).
  static const PipeCommand* awaitCommand(const CommandMailbox& mailbox) {
    auto deadline = steady_clock::now() + std::chrono::seconds(20);
    while (steady_clock::now() < deadline) {
      if (const PipeCommand* c = mailbox.pending()) return c;
      std::this_thread::sleep_for(milliseconds(2));
    }
    return nullptr;
  }

  static PipeServer::Timing fastTiming() {
    PipeServer::Timing t;
    t.slotPollMs = 5;
    t.senderTimeoutMs = 300;
    return t;
  }

  kelvara::testing::TempFolder folder_{"kelvara-pipe"};
  std::string dir_;
  std::string path_;
};

TEST_F(PipeServerTest, MessagesReachTheMailboxOneByOneInOrder) {
  PipeServer server(path_, fastTiming());
  ASSERT_EQ(server.open(), PipeServer::OpenStatus::kOpened);
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  CommandMailbox mailbox;
  ASSERT_TRUE(server.startReader(&mailbox));
  // Three senders in a row: they queue while the first command is pending.
  ASSERT_TRUE(send("3,5000,1000"));
  ASSERT_TRUE(send("4,0.5"));
  ASSERT_TRUE(send("1,/tmp/angle.csv"));

  const PipeCommand* c = awaitCommand(mailbox);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, CMD_DISTANCE_RANGE);
  EXPECT_EQ(c->rangeMin, 1000);
  EXPECT_EQ(c->rangeMax, 5000);
  mailbox.markTaken();

  c = awaitCommand(mailbox);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, CMD_DISTANCE_RATIO);
  EXPECT_EQ(c->ratio, 0.5f);
  mailbox.markTaken();

  c = awaitCommand(mailbox);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, CMD_ANGLE_TABLE);
  EXPECT_EQ(c->path, "/tmp/angle.csv");
  mailbox.markTaken();

  server.stop();
}

TEST_F(PipeServerTest, BadMessagesPostNothingAndTheNextIsServed) {
  PipeServer server(path_, fastTiming());
  ASSERT_EQ(server.open(), PipeServer::OpenStatus::kOpened);
  CommandMailbox mailbox;
  ASSERT_TRUE(server.startReader(&mailbox));

  ASSERT_TRUE(send("2"));
  ASSERT_TRUE(send(""));
  ASSERT_TRUE(send(",5"));
  ASSERT_TRUE(send("7,x"));
  ASSERT_TRUE(send(std::string("\xff\xfe\x00\x01\x02,\x80", 7)));
  // A sender that connects and writes nothing for longer than the timeout.
  int silent = connectSender();
  ASSERT_GE(silent, 0);
  // A message of 300 bytes: only the first 256 are read.
  std::string longPath(298, 'p');
  ASSERT_TRUE(send("2," + longPath));

  const PipeCommand* c = awaitCommand(mailbox);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, CMD_DISTANCE_DATA);
  EXPECT_EQ(c->path, std::string(254, 'p'));
  mailbox.markTaken();
  close(silent);
  server.stop();
}

TEST_F(PipeServerTest, AnotherServerIsNeverDisplaced) {
  PipeServer first(path_, fastTiming());
  ASSERT_EQ(first.open(), PipeServer::OpenStatus::kOpened);
  PipeServer second(path_, fastTiming());
  EXPECT_EQ(second.open(), PipeServer::OpenStatus::kInUse);

  // A live server that is no viewer (no lock file held) is not displaced either.
  PipeServer third(path_ + "x", fastTiming());
  int other = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a = address(path_ + "x");
  ASSERT_EQ(bind(other, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
  ASSERT_EQ(listen(other, 1), 0);
  EXPECT_EQ(third.open(), PipeServer::OpenStatus::kInUse);
  close(other);
  unlink((path_ + "x").c_str());
  unlink((path_ + "x.lock").c_str());
}

TEST_F(PipeServerTest, AStaleSocketFileIsReplaced) {
  // A socket file whose server is gone: bound, never removed.
  int dead = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a = address(path_);
  ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
  close(dead);

  {
    CommandMailbox mailbox;  // outlives the server's reader thread
    PipeServer server(path_, fastTiming());
    ASSERT_EQ(server.open(), PipeServer::OpenStatus::kOpened);
    ASSERT_TRUE(server.startReader(&mailbox));
    ASSERT_TRUE(send("5,700,700"));
    const PipeCommand* c = awaitCommand(mailbox);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->colorMin, 700);
  }
  // The server removed its socket file when it ended.
  EXPECT_NE(access(path_.c_str(), F_OK), 0);
}

// Stop must end the reader whatever it is waiting for: a full slot with a
// sender queued, or a sender that has not written yet.
// Senders that connect and write nothing hold up nobody: a message sent
// after them is read at once, long before their timeout.
TEST_F(PipeServerTest, SilentSendersDoNotHoldUpAMessage) {
  PipeServer::Timing timing;
  timing.senderTimeoutMs = 3600 * 1000;
  timing.slotPollMs = 5;
  PipeServer server(path_, timing);
  ASSERT_EQ(server.open(), PipeServer::OpenStatus::kOpened);
  CommandMailbox mailbox;
  ASSERT_TRUE(server.startReader(&mailbox));
  std::vector<int> silent;
  for (int i = 0; i < 5; ++i) {
    silent.push_back(connectSender());
    ASSERT_GE(silent.back(), 0);
  }
  ASSERT_TRUE(send("3,100,200"));
  const PipeCommand* c = awaitCommand(mailbox);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, CMD_DISTANCE_RANGE);
  mailbox.markTaken();
  // One of them speaks up after all: it is still served.
  ASSERT_EQ(write(silent[2], "4,2", 3), 3);
  close(silent[2]);
  c = awaitCommand(mailbox);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->kind, CMD_DISTANCE_RATIO);
  mailbox.markTaken();
  for (int fd : silent)
    if (fd != silent[2]) close(fd);
  server.stop();
}

// A symbolic link planted where the lock file goes is not followed.
TEST_F(PipeServerTest, APlantedLinkAtTheLockFileIsNotFollowed) {
  const std::string target = dir_ + "/planted-target";
  ASSERT_EQ(symlink(target.c_str(), (path_ + ".lock").c_str()), 0);
  PipeServer server(path_);
  EXPECT_EQ(server.open(), PipeServer::OpenStatus::kFailed);
  EXPECT_NE(access(target.c_str(), F_OK), 0) << "a file was created at the link's target";
}

TEST_F(PipeServerTest, StopEndsTheReaderWhileItWaits) {
  for (int scenario = 0; scenario < 2; ++scenario) {
    SCOPED_TRACE(scenario);
    PipeServer::Timing timing;
    timing.senderTimeoutMs = 3600 * 1000;  // would hang the test if stop did not wake it
    timing.slotPollMs = 3600 * 1000;
    PipeServer server(path_, timing);
    ASSERT_EQ(server.open(), PipeServer::OpenStatus::kOpened);
    CommandMailbox mailbox;
    ASSERT_TRUE(server.startReader(&mailbox));
    int sender = -1;
    if (scenario == 0) {
      ASSERT_TRUE(send("4,2"));
      ASSERT_NE(awaitCommand(mailbox), nullptr);
      ASSERT_TRUE(send("4,3"));  // waits for the slot
    } else {
      sender = connectSender();
      ASSERT_GE(sender, 0);
    }
    server.stop();
    if (sender >= 0) close(sender);
  }
}

TEST_F(PipeServerTest, UnusablePathsFail) {
  // A file that is no socket is never removed.
  { std::ofstream(path_) << "keep"; }
  PipeServer onFile(path_);
  EXPECT_EQ(onFile.open(), PipeServer::OpenStatus::kFailed);
  EXPECT_EQ(access(path_.c_str(), F_OK), 0);

  PipeServer tooLong(dir_ + "/" + std::string(200, 'x'));
  EXPECT_EQ(tooLong.open(), PipeServer::OpenStatus::kFailed);
  PipeServer noDir(dir_ + "/missing/mypipe");
  EXPECT_EQ(noDir.open(), PipeServer::OpenStatus::kFailed);
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
