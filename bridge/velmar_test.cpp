#include "velmar.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "pipe_server.h"
#include "runtime_dir.h"

namespace kelvara {
namespace {

class VelmarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kelvara-velmar-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("KELVARA_RUNTIME_DIR", dir_.c_str(), 1);
    ASSERT_EQ(ViewerSocketPath(), dir_ + "/mypipe");
  }
  void TearDown() override {
    if (listener_ >= 0) close(listener_);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  // A test server standing in for the viewer.
  void listenHere() {
    listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, ViewerSocketPath().c_str(), sizeof(a.sun_path) - 1);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    ASSERT_EQ(listen(listener_, 8), 0);
  }

  bool connectionPending() {
    pollfd p = {listener_, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
  }

  // Everything the next sender wrote, up to its close.
  std::string nextMessage() {
    int c = accept(listener_, nullptr, nullptr);
    std::string bytes;
    char buffer[512];
    ssize_t n;
    while ((n = read(c, buffer, sizeof(buffer))) > 0) bytes.append(buffer, static_cast<size_t>(n));
    close(c);
    return bytes;
  }

  std::string dir_;
  int listener_ = -1;
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
  EXPECT_FALSE(connectionPending());
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
  for (int i = 0; i < 16 && rc == 0; ++i) rc = Qor3D_UpdateDistanceRange(0, 12500);
  EXPECT_EQ(rc, QOR3D_ERR_BUSY);

  close(listener_);
  listener_ = -1;
  unlink(ViewerSocketPath().c_str());
  listenHere();
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  EXPECT_EQ(Qor3D_UpdateDistanceRange(0, 12500), QOR3D_ERR_UNSAFE_DIR);
  EXPECT_FALSE(connectionPending());
  ASSERT_EQ(chmod(dir_.c_str(), 0700), 0);
  EXPECT_EQ(Qor3D_UpdateDistanceRange(0, 12500), 0);
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

  const float ratios[] = {1.0f, 0.1f, 1.0f / 3, 2.5e-7f, 123456.789f, FLT_MAX, FLT_MIN,
                          FLT_TRUE_MIN, -0.75f, 0.0f};
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
