#include "bridge/velmar.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/runtime_dir.h"
#include "testing/temp_folder.h"
#include "viewer/pipe_server.h"

namespace kelvara {
namespace {

class VelmarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    setenv("KELVARA_RUNTIME_DIR", dir_.c_str(), 1);
    ASSERT_EQ(ViewerSocketPath(), dir_ + "/mypipe");
  }
  void TearDown() override { stopListening(); }

  // A test server standing in for the viewer: like the viewer, it reads
  // once from each connection and then closes it (which tells the sender
  // that its message was taken); with `readNothing`, it closes unread.
  void listenHere(bool readNothing = false) {
    listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, ViewerSocketPath().c_str(), sizeof(a.sun_path) - 1);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    ASSERT_EQ(listen(listener_, 8), 0);
    server_ = std::thread([this, readNothing] {
      for (;;) {
        int c = accept(listener_, nullptr, nullptr);
        if (c < 0) return;  // the listener was shut down
        std::string bytes;
        if (!readNothing) {
          pollfd p = {c, POLLIN, 0};
          char buffer[512];
          ssize_t n = poll(&p, 1, 20000) == 1 ? read(c, buffer, sizeof(buffer)) : -1;
          if (n > 0) bytes.assign(buffer, static_cast<size_t>(n));
        }
        {
          // Recorded before the close, which lets the sender's call return.
          std::lock_guard<std::mutex> lock(mutex_);
          ++connections_;
          messages_.push_back(bytes);
        }
        close(c);
      }
    });
  }
  void stopListening() {
    if (listener_ < 0) return;
    shutdown(listener_, SHUT_RDWR);
    if (server_.joinable()) server_.join();
    close(listener_);
    listener_ = -1;
  }

  int connections() {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_;
  }

  // What the next sender wrote. The sender's call has returned, so its
  // connection has been served.
  std::string nextMessage() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (taken_ >= messages_.size()) return "<none>";
    return messages_[taken_++];
  }

  kelvara::testing::TempFolder folder_{"kelvara-velmar"};
  std::string dir_;
  int listener_ = -1;
  std::thread server_;
  std::mutex mutex_;
  std::vector<std::string> messages_;
  size_t taken_ = 0;
  int connections_ = 0;
};

TEST_F(VelmarTest, EachFunctionSendsItsMessage) {
  listenHere();
  EXPECT_EQ(Qor3D_UpdateAngleTable("/p/3d_data/angle.csv"), 0);
  EXPECT_EQ(nextMessage(), "1,/p/3d_data/angle.csv");
  EXPECT_EQ(Qor3D_UpdateDistanceData("/p/3d_data/data_3.bin"), 0);
  EXPECT_EQ(nextMessage(), "2,/p/3d_data/data_3.bin");
  EXPECT_EQ(Qor3D_UpdateDistanceRange(500, 4000), 0);
  EXPECT_EQ(nextMessage(), "3,500,4000");
  EXPECT_EQ(Qor3D_UpdateDistanceRatio(1.0f), 0);
  EXPECT_EQ(nextMessage(), "4,1");
  EXPECT_EQ(Qor3D_UpdateColorRange(-5, 12500), 0);
  EXPECT_EQ(nextMessage(), "5,-5,12500");
  EXPECT_EQ(Qor3D_UpdateCoordinateData("/p/3d_data/data_0.bin"), 0);
  EXPECT_EQ(nextMessage(), "6,/p/3d_data/data_0.bin");
}

TEST_F(VelmarTest, RefusesWhatCannotBeHandedOver) {
  // No viewer: no socket file, then a socket file nobody listens on.
  EXPECT_NE(Qor3D_UpdateDistanceRange(0, 12500), 0);
  {
    int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, ViewerSocketPath().c_str(), sizeof(a.sun_path) - 1);
    ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    close(dead);
    EXPECT_EQ(Qor3D_UpdateDistanceRange(0, 12500), QOR3D_ERR_NO_VIEWER);
    unlink(ViewerSocketPath().c_str());
  }

  listenHere();
  // 256 bytes fit; 257 are refused without connecting.
  std::string fits = "/" + std::string(253, 'a');
  EXPECT_EQ(Qor3D_UpdateDistanceData(fits.c_str()), 0);
  EXPECT_EQ(nextMessage().size(), 256u);
  std::string tooLong = fits + "b";
  EXPECT_EQ(Qor3D_UpdateDistanceData(tooLong.c_str()), QOR3D_ERR_TOO_LONG);
  EXPECT_EQ(Qor3D_UpdateAngleTable(nullptr), QOR3D_ERR_BAD_PATH);
  EXPECT_EQ(Qor3D_UpdateCoordinateData("/a,b/data_0.bin"), QOR3D_ERR_BAD_PATH);
  EXPECT_EQ(connections(), 1);
}

// A viewer that closes the connection without reading the message (it is
// ending) has not taken it.
TEST_F(VelmarTest, AMessageClosedUnreadIsNotTaken) {
  listenHere(/*readNothing=*/true);
  // Closed before or after the write: either way not taken.
  EXPECT_NE(Qor3D_UpdateDistanceData("/p/3d_data/data_1.bin"), QOR3D_OK);
  EXPECT_NE(Qor3D_UpdateColorRange(0, 100), QOR3D_OK);
}

// A sender socket that connected without waiting and wrote `message`, or -1
// when the connection was refused.
int SendWithoutWaiting(const std::string& message) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, ViewerSocketPath().c_str(), sizeof(a.sun_path) - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 ||
      send(fd, message.data(), message.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(message.size())) {
    close(fd);
    return -1;
  }
  return fd;
}

// The viewer's verdict on a sender's connection: true once it has read the
// message and closed (end of file).
bool ReadAndClosed(int fd) {
  pollfd p = {fd, POLLIN, 0};
  char byte;
  return poll(&p, 1, 20000) == 1 && recv(fd, &byte, 1, 0) == 0;
}

// One sender at a time: while the viewer's reader holds one sender (the
// render loop has not taken the previous command yet), one more may wait;
// any further sender is refused at once, never queued behind several. The
// waiting one is served right after the first.
TEST_F(VelmarTest, OneSenderIsServedOneWaitsOthersAreRefused) {
  viewer::PipeServer server(ViewerSocketPath());
  ASSERT_EQ(server.open(), viewer::PipeServer::OpenStatus::kOpened);
  viewer::CommandMailbox mailbox;
  ASSERT_TRUE(server.startReader(&mailbox));
  auto await = [](const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  };
  auto takeRatio = [&]() -> float {
    if (!await([&] { return mailbox.pending() != nullptr; })) return -1;
    float ratio = mailbox.pending()->ratio;
    mailbox.markTaken();
    return ratio;
  };

  // The slot is full: the render loop has not taken this command yet.
  ASSERT_EQ(Qor3D_UpdateDistanceRatio(1.0f), 0);
  ASSERT_TRUE(await([&] { return mailbox.pending() != nullptr; }));
  // The first sender is accepted and held until the slot is free; a second
  // can connect only once the first has left the queue.
  int first = SendWithoutWaiting("4,2");
  ASSERT_GE(first, 0);
  int second = -1;
  ASSERT_TRUE(await([&] { return (second = SendWithoutWaiting("4,3")) >= 0; }));
  // Every further sender is refused at once, whether it waits or not.
  EXPECT_EQ(SendWithoutWaiting("4,9"), -1);
  EXPECT_EQ(Qor3D_UpdateDistanceRatio(9.0f), QOR3D_ERR_BUSY);

  EXPECT_EQ(takeRatio(), 1.0f);
  EXPECT_EQ(takeRatio(), 2.0f);
  EXPECT_TRUE(ReadAndClosed(first));
  EXPECT_EQ(takeRatio(), 3.0f);
  EXPECT_TRUE(ReadAndClosed(second));
  close(first);
  close(second);
  server.stop();
}

// A viewer whose queue of connections is full is busy, not absent; a socket
// in a folder others may write to is not used at all.
TEST_F(VelmarTest, BusyAndUnsafeAreToldApart) {
  listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, ViewerSocketPath().c_str(), sizeof(a.sun_path) - 1);
  ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
  ASSERT_EQ(listen(listener_, 0), 0);
  int rc = 0;
  // The first sender fills the queue and is never read (not taken); the
  // next is refused at once.
  for (int i = 0; i < 16 && rc != QOR3D_ERR_BUSY; ++i) rc = Qor3D_UpdateDistanceRange(0, 12500);
  EXPECT_EQ(rc, QOR3D_ERR_BUSY);

  close(listener_);
  listener_ = -1;
  unlink(ViewerSocketPath().c_str());
  listenHere();
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  EXPECT_EQ(Qor3D_UpdateDistanceRange(0, 12500), QOR3D_ERR_UNSAFE_DIR);
  EXPECT_EQ(connections(), 0);
  ASSERT_EQ(chmod(dir_.c_str(), 0700), 0);
  EXPECT_EQ(Qor3D_UpdateDistanceRange(0, 12500), 0);
}

// Before any viewer ran, the runtime directory does not exist: no viewer is
// running, nothing is unsafe.
TEST_F(VelmarTest, NoRuntimeDirectoryMeansNoViewer) {
  setenv("KELVARA_RUNTIME_DIR", (dir_ + "/not-made-yet").c_str(), 1);
  EXPECT_EQ(Qor3D_UpdateDistanceRange(0, 12500), QOR3D_ERR_NO_VIEWER);
  setenv("KELVARA_RUNTIME_DIR", dir_.c_str(), 1);
}

// Round trip into the viewer's own socket server: the parsed commands are
// what was sent, and every ratio comes back as the same float.
TEST_F(VelmarTest, TheViewerReadsBackWhatWasSent) {
  viewer::PipeServer::Timing timing;
  timing.slotPollMs = 2;
  viewer::PipeServer server(ViewerSocketPath(), timing);
  ASSERT_EQ(server.open(), viewer::PipeServer::OpenStatus::kOpened);
  viewer::CommandMailbox mailbox;
  ASSERT_TRUE(server.startReader(&mailbox));

  auto take = [&]() -> viewer::PipeCommand {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (mailbox.pending() == nullptr && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const viewer::PipeCommand* c = mailbox.pending();
    viewer::PipeCommand copy = c ? *c : viewer::PipeCommand();
    mailbox.markTaken();
    return copy;
  };

  const float ratios[] = {1.0f, 0.1f, 1.0f / 3, 2.5e-7f, 123456.789f, FLT_MAX, FLT_MIN, FLT_TRUE_MIN, -0.75f, 0.0f};
  for (float r : ratios) {
    SCOPED_TRACE(r);
    ASSERT_EQ(Qor3D_UpdateDistanceRatio(r), 0);
    viewer::PipeCommand c = take();
    EXPECT_EQ(c.kind, viewer::CMD_DISTANCE_RATIO);
    EXPECT_EQ(std::memcmp(&c.ratio, &r, sizeof(float)), 0);
  }
  ASSERT_EQ(Qor3D_UpdateDistanceRange(5000, 1000), 0);
  viewer::PipeCommand c = take();
  EXPECT_EQ(c.kind, viewer::CMD_DISTANCE_RANGE);
  EXPECT_EQ(c.rangeMin, 1000);
  EXPECT_EQ(c.rangeMax, 5000);
  ASSERT_EQ(Qor3D_UpdateCoordinateData("/p/data_1.bin"), 0);
  c = take();
  EXPECT_EQ(c.kind, viewer::CMD_COORDINATE_DATA);
  EXPECT_EQ(c.path, "/p/data_1.bin");
  server.stop();
}

}  // namespace
}  // namespace kelvara
