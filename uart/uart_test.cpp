// libUART.so against a pseudo-terminal that the test drives as the camera.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "testing/temp_folder.h"
#include "uart/UART.h"
#include "uart/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

// The timeout of a receive that gets a whole reply: the call returns as
// soon as the reply is complete, so this only bounds a loaded machine.
constexpr int kWhole = 20000;

long MsSince(Clock::time_point t) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// A private port directory with a pseudo-terminal registered as COM5; the
// test holds the master side and plays the camera on it.
class UartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    setenv("KELVARA_RUNTIME_DIR", dir_.c_str(), 1);
    setenv("KELVARA_PORT_DIR", dir_.c_str(), 1);
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    slave_path_ = ptsname(master_);
    termios t{};
    ASSERT_EQ(tcgetattr(master_, &t), 0);
    cfmakeraw(&t);
    ASSERT_EQ(tcsetattr(master_, TCSANOW, &t), 0);
    Link("COM5", slave_path_);
  }
  void TearDown() override {
    com_close();
    if (master_ >= 0) close(master_);
  }

  void Link(const std::string& name, const std::string& target) {
    const std::string p = dir_ + "/" + name;
    ASSERT_EQ(symlink(target.c_str(), p.c_str()), 0);
    made_.push_back(p);
  }

  // Camera side: writes everything (from a thread when it exceeds the
  // terminal's buffer).
  void CameraWrite(const Bytes& b) {
    size_t off = 0;
    while (off < b.size()) {
      const ssize_t n = write(master_, b.data() + off, b.size() - off);
      ASSERT_GT(n, 0);
      off += static_cast<size_t>(n);
    }
  }
  // Camera side: reads exactly n bytes (the test fails on a stall).
  Bytes CameraRead(size_t n) {
    Bytes b(n);
    size_t off = 0;
    while (off < n) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 30000) != 1) break;
      const ssize_t r = read(master_, b.data() + off, n - off);
      if (r <= 0) break;
      off += static_cast<size_t>(r);
    }
    b.resize(off);
    return b;
  }

  static Bytes Response(unsigned char start, unsigned char status, const Bytes& payload, uint32_t announced) {
    Bytes b = {start,
               status,
               static_cast<unsigned char>(announced >> 24),
               static_cast<unsigned char>(announced >> 16),
               static_cast<unsigned char>(announced >> 8),
               static_cast<unsigned char>(announced)};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
  }
  static Bytes Response(const Bytes& payload) {
    return Response(0xFE, 0, payload, static_cast<uint32_t>(payload.size()));
  }
  static Bytes Counting(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 7 + 3);
    return b;
  }

  kelvara::testing::TempFolder folder_{"kelvara-uart"};
  std::string dir_;
  std::string slave_path_;
  std::vector<std::string> made_;
  int master_ = -1;
};

TEST_F(UartTest, ListsLivePortDirectoryEntriesInOrderAndSkipsTheRest) {
  Link("COM9", dir_ + "/gone");  // stale: the device went away
  Link("COM12", slave_path_);
  Link("COM200", slave_path_);  // beyond the numbers a port can have
  Link("notes", slave_path_);
  {
    const std::string file = dir_ + "/COM3";  // not a device
    int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    made_.push_back(file);
  }
  signed char list[10] = {};
  const int n = com_getActive(list, 10);
  ASSERT_GE(n, 2);
  EXPECT_EQ(list[0], 5);
  EXPECT_EQ(list[1], 12);
  for (int i = 2; i < n; ++i) EXPECT_GE(list[i], 100) << "only detected devices follow";
  for (int i = 1; i < n; ++i) EXPECT_LT(list[i - 1], list[i]);

  signed char one[1] = {};
  EXPECT_EQ(com_getActive(one, 1), 1);
  EXPECT_EQ(one[0], 5);
  EXPECT_EQ(com_getActive(list, 0), 0);
  EXPECT_EQ(com_getActive(nullptr, 10), 0);
}

TEST_F(UartTest, OpensOnlyPresentTerminalsAtKnownRates) {
  Link("COM9", dir_ + "/gone");
  EXPECT_EQ(com_init(9, 0), 0);
  EXPECT_EQ(com_init(44, 0), 0);
  EXPECT_EQ(com_init(0, 0), 0);
  EXPECT_EQ(com_init(5, 12345), 0);
  EXPECT_EQ(com_init(5, -1), 0);
  EXPECT_NE(com_init(5, 0), 0);
  EXPECT_NE(com_init(5, 921600), 0);
  // A second user of the library cannot take the same device.
  kelvara::uart::SerialPort other;
  EXPECT_FALSE(other.Open(slave_path_, 0));
  com_close();
  EXPECT_TRUE(other.Open(slave_path_, 0));
}

// A failed open says why in errno, so that programs can tell the user.
TEST_F(UartTest, AFailedOpenKeepsItsCauseInErrno) {
  Link("COM9", dir_ + "/gone");
  Link("COM10", dir_);  // a folder, not a terminal
  struct Case {
    int port, baud, error;
  } cases[] = {{9, 0, ENOENT}, {44, 0, ENOENT}, {10, 0, EISDIR}, {5, 12345, EINVAL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    errno = 0;
    EXPECT_EQ(com_init(c.port, c.baud), 0);
    EXPECT_EQ(errno, c.error) << std::strerror(errno);
  }
  // A device another user of the library holds is busy.
  kelvara::uart::SerialPort other;
  ASSERT_TRUE(other.Open(slave_path_, 0));
  errno = 0;
  EXPECT_EQ(com_init(5, 0), 0);
  EXPECT_EQ(errno, EBUSY) << std::strerror(errno);
  other.Close();
  EXPECT_NE(com_init(5, 0), 0);
  // Without permission (not testable as root, who may open anything).
  if (geteuid() != 0) {
    com_close();
    struct stat st {};
    ASSERT_EQ(stat(slave_path_.c_str(), &st), 0);
    ASSERT_EQ(chmod(slave_path_.c_str(), 0), 0);
    errno = 0;
    EXPECT_EQ(com_init(5, 0), 0);
    EXPECT_EQ(errno, EACCES) << std::strerror(errno);
    chmod(slave_path_.c_str(), st.st_mode & 07777);
  }
}

TEST_F(UartTest, ClosedPortIsHarmless) {
  com_close();
  com_close();
  com_clear();
  unsigned char buf[16];
  const unsigned char p[1] = {0};
  EXPECT_EQ(Qor_UartSendCommand(0x82, 1, p), -1);
  // Returns at once rather than after the timeout; only a wait for the
  // timeout (two minutes) could exceed the one-minute bound, a loaded
  // machine cannot.
  const auto t = Clock::now();
  EXPECT_EQ(Qor_UartReceiveSync(120000, sizeof buf, buf), 0);
  EXPECT_LT(MsSince(t), 60000);
}

TEST_F(UartTest, SendsFramedRequestsAndRefusesUnframeableOnes) {
  ASSERT_NE(com_init(5, 0), 0);
  const unsigned char payload[2] = {0x01, 0xFF};
  EXPECT_EQ(Qor_UartSendCommand(0x84, 2, payload), 6);
  EXPECT_EQ(CameraRead(6), (Bytes{0xFC, 0x84, 0x00, 0x02, 0x01, 0xFF}));
  EXPECT_EQ(Qor_UartSendCommand(0x00, 0, nullptr), 4);
  EXPECT_EQ(CameraRead(4), (Bytes{0xFC, 0x00, 0x00, 0x00}));
  // A 300-byte payload: the length goes big-endian.
  const Bytes big = Counting(300);
  EXPECT_EQ(Qor_UartSendCommand(0xE1, 300, big.data()), 304);
  Bytes expect = {0xFC, 0xE1, 0x01, 0x2C};
  expect.insert(expect.end(), big.begin(), big.end());
  EXPECT_EQ(CameraRead(304), expect);

  EXPECT_EQ(Qor_UartSendCommand(256, 0, nullptr), -1);
  EXPECT_EQ(Qor_UartSendCommand(-1, 0, nullptr), -1);
  EXPECT_EQ(Qor_UartSendCommand(0x84, -1, payload), -1);
  EXPECT_EQ(Qor_UartSendCommand(0x84, 65536, payload), -1);
  EXPECT_EQ(Qor_UartSendCommand(0x84, 2, nullptr), -1);
}

TEST_F(UartTest, ReceivesAFullFrameStraightIntoTheBuffer) {
  ASSERT_NE(com_init(5, 0), 0);
  const Bytes frame = Response(Counting(614656));
  std::thread camera([&] { CameraWrite(frame); });
  Bytes buf(4194304, 0x55);
  const int n = Qor_UartReceiveSync(kWhole, static_cast<int>(buf.size()), buf.data());
  camera.join();
  ASSERT_EQ(n, 614662);
  EXPECT_EQ(0, std::memcmp(buf.data(), frame.data(), frame.size()));
  EXPECT_EQ(buf[614662], 0x55);
}

TEST_F(UartTest, TimeoutReturnsWhatArrivedAndNoMore) {
  ASSERT_NE(com_init(5, 0), 0);
  unsigned char buf[64];
  // A silent line: the call ends after its timeout, not earlier, and not
  // after several timeouts (the bound is far from both, so that a loaded
  // machine cannot fail it).
  auto t = Clock::now();
  EXPECT_EQ(Qor_UartReceiveSync(1000, sizeof buf, buf), 0);
  const long silent = MsSince(t);
  EXPECT_GE(silent, 1000);
  EXPECT_LT(silent, 5000);

  // Three bytes of a header: fewer than 6, nothing usable.
  CameraWrite({0xFE, 0x00, 0x00});
  EXPECT_EQ(Qor_UartReceiveSync(50, sizeof buf, buf), 3);
  // A header that announces 10 bytes, and only 4 of them.
  CameraWrite(Response(0xFE, 0, {1, 2, 3, 4}, 10));
  t = Clock::now();
  EXPECT_EQ(Qor_UartReceiveSync(100, sizeof buf, buf), 10);
  EXPECT_GE(MsSince(t), 100);
  EXPECT_EQ(buf[9], 4);
}

TEST_F(UartTest, NeverWritesPastCapacityAndLeavesTheLineClean) {
  ASSERT_NE(com_init(5, 0), 0);
  const struct {
    int capacity;
    size_t payload;
  } kCases[] = {{50, 100}, {3, 20}, {6, 20000}, {1, 0}};
  for (const auto& c : kCases) {
    Bytes buf(c.capacity + 8, 0xEE);
    const Bytes reply = Response(Counting(c.payload));
    std::thread camera([&] { CameraWrite(reply); });
    const int n = Qor_UartReceiveSync(kWhole, c.capacity, buf.data());
    camera.join();
    EXPECT_EQ(n, std::min<int>(c.capacity, static_cast<int>(reply.size()))) << c.capacity;
    EXPECT_EQ(0, std::memcmp(buf.data(), reply.data(), n));
    for (size_t i = c.capacity; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << "overflow";
    // The rest of the long reply was consumed: the next one reads whole.
    CameraWrite(Response({9, 8, 7}));
    unsigned char next[16];
    ASSERT_EQ(Qor_UartReceiveSync(kWhole, sizeof next, next), 9);
    EXPECT_EQ(Bytes(next, next + 9), Response({9, 8, 7}));
  }
}

TEST_F(UartTest, WrongStartByteIsReturnedAsReceivedAndTheRestIsDrained) {
  ASSERT_NE(com_init(5, 0), 0);
  const Bytes bad = Response(0xFD, 0, Counting(5000), 5000);
  std::thread camera([&] { CameraWrite(bad); });
  Bytes buf(8192);
  const int n = Qor_UartReceiveSync(kWhole, static_cast<int>(buf.size()), buf.data());
  camera.join();
  ASSERT_EQ(n, static_cast<int>(bad.size()));
  EXPECT_EQ(buf[0], 0xFD);
  CameraWrite(Response({1}));
  EXPECT_EQ(Qor_UartReceiveSync(kWhole, static_cast<int>(buf.size()), buf.data()), 7);
  EXPECT_EQ(buf[0], 0xFE);
  EXPECT_EQ(buf[6], 1);
}

TEST_F(UartTest, ClearDiscardsPendingBytes) {
  ASSERT_NE(com_init(5, 0), 0);
  // Bytes still on their way through the terminal are discarded as well.
  CameraWrite(Response({1, 2, 3}));
  com_clear();
  CameraWrite(Response({4}));
  unsigned char buf[16];
  ASSERT_EQ(Qor_UartReceiveSync(kWhole, sizeof buf, buf), 7);
  EXPECT_EQ(buf[6], 4);
}

TEST_F(UartTest, HangUpEndsAReceiveEarly) {
  ASSERT_NE(com_init(5, 0), 0);
  close(master_);
  master_ = -1;
  unsigned char buf[16];
  // Ends at the hang-up rather than after the timeout (two minutes): only
  // a wait for the timeout could exceed the one-minute bound.
  const auto t = Clock::now();
  EXPECT_LT(Qor_UartReceiveSync(120000, sizeof buf, buf), 6);
  EXPECT_LT(MsSince(t), 60000);
  EXPECT_NE(Qor_UartSendCommand(0x00, 0, nullptr), 4);
}

TEST_F(UartTest, CloseRacingAReceiveDoesNotCrash) {
  ASSERT_NE(com_init(5, 0), 0);
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    unsigned char buf[64];
    while (!stop) Qor_UartReceiveSync(5, sizeof buf, buf);
  });
  for (int i = 0; i < 50; ++i) {
    com_close();
    com_init(5, 0);
  }
  stop = true;
  reader.join();
}

}  // namespace
