// The simulator's fault options as the client sees them, its robustness
// against any byte sequence, its clean exit, and its size.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "link/camera_link.h"
#include "tests/sim_link/sim_link_fixture.h"

namespace kelvara {
namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

// One result exchange with a receive timeout of its own (the typed
// operation waits the command's full 1000 ms per receive call). A spoiled
// reply waits out a short timeout; a whole one returns when complete, so
// kWhole only bounds a loaded machine, it is no claim about speed.
constexpr int kWhole = 20000;
int FetchResult(CameraLink& link, int timeout_ms, unsigned char* status) {
  static const unsigned char kPayload[1] = {0};
  uint32_t length = 0;
  const unsigned char* reply = nullptr;
  const int rc = link.ExecuteCommand(CMD_GET_RESULT, 1, kPayload, timeout_ms, status, &length, &reply);
  if (rc == 0 && *status == 0) {
    EXPECT_EQ(length, static_cast<uint32_t>(kMeasurementFrameBytes));
  }
  return rc;
}

class FaultsTest : public SimLinkTest {
 protected:
  void Measure() {
    unsigned char status = 0xFF;
    ASSERT_EQ(link_.StartMeasurement(&status), 0);
    ASSERT_EQ(status, 0);
  }
};

TEST_F(FaultsTest, EachFaultYieldsItsErrorCodeAndTheLineRecovers) {
  const struct {
    const char* option;
    int error;
  } kCases[] = {
      {"--drop-every", CMD_ERR_NO_RESPONSE},
      {"--corrupt-every", CMD_ERR_START_BYTE},
      {"--truncate-every", CMD_ERR_LENGTH},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.option);
    StartSim({"--scene", "pattern", c.option, "2", "--seed", "5"});
    Measure();
    g_pauses = 0;
    unsigned char status = 0xFF;
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(FetchResult(link_, kWhole, &status), 0);  // 1st, 3rd: whole
      EXPECT_EQ(status, 0);
      status = 0xAB;
      EXPECT_EQ(FetchResult(link_, 100, &status), c.error);  // 2nd, 4th: spoiled
      EXPECT_EQ(status, c.error == CMD_ERR_START_BYTE || c.error == CMD_ERR_NO_RESPONSE ? 0xAB : 0)
          << "the status is reported only for a right start byte";
    }
    EXPECT_EQ(g_pauses, 2) << "one pause per failure";
    EXPECT_EQ(FetchResult(link_, kWhole, &status), 0);
    // The next command is answered cleanly after the spoiled frame.
    VersionReply v;
    EXPECT_EQ(link_.GetVersion(&status, &v), 0);
    EXPECT_EQ(v.build, 42u);
    com_close();
    sim_.reset();
  }
}

TEST_F(FaultsTest, LinkRateAndResponseSpeedPaceTheReplies) {
  // 2 MB/s: a 614662-byte result takes about 307 ms on the line.
  StartSim({"--scene", "pattern", "--link-rate", "2000000"});
  Measure();
  unsigned char status = 0xFF;
  auto t = Clock::now();
  ASSERT_EQ(FetchResult(link_, kWhole, &status), 0);
  EXPECT_EQ(status, 0);
  EXPECT_GE(Clock::now() - t, std::chrono::milliseconds(250));
  com_close();
  sim_.reset();

  // Unpaced, but 10 ms after every 16 KB: 37 pauses.
  StartSim({"--scene", "pattern"});
  Measure();
  ASSERT_EQ(link_.SetResponseSpeed({16, 10000}, &status), 0);
  ASSERT_EQ(status, 0);
  t = Clock::now();
  ASSERT_EQ(FetchResult(link_, kWhole, &status), 0);
  EXPECT_EQ(status, 0);
  EXPECT_GE(Clock::now() - t, std::chrono::milliseconds(370));
}

// Raw access to the simulator's terminal, bypassing the serial library.
class RawLine {
 public:
  explicit RawLine(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    termios t{};
    if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(fd_, TCSANOW, &t);
    }
  }
  ~RawLine() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  void Write(const Bytes& b) {
    size_t off = 0;
    while (off < b.size()) {
      const ssize_t n = write(fd_, b.data() + off, b.size() - off);
      if (n > 0) {
        off += static_cast<size_t>(n);
      } else {
        pollfd p{fd_, POLLOUT, 0};
        ASSERT_EQ(poll(&p, 1, 30000), 1) << "the simulator stopped reading";
      }
    }
  }
  // Reads until `needle` has been seen or `timeout_ms` passed.
  bool AwaitBytes(const Bytes& needle, int timeout_ms) {
    Bytes seen;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      unsigned char buf[65536];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) continue;
      seen.insert(seen.end(), buf, buf + n);
      if (std::search(seen.begin(), seen.end(), needle.begin(), needle.end()) != seen.end()) return true;
      // Keep only a tail that could still start the needle.
      if (seen.size() > needle.size()) seen.erase(seen.begin(), seen.end() - static_cast<long>(needle.size()));
    }
  }

 private:
  int fd_;
};

TEST_F(FaultsTest, AnyByteSequenceIsSurvivedAndTheNextRequestAnswered) {
  StartSim({"--scene", "pattern"});
  com_close();  // the test talks raw for now
  std::mt19937 rng(12345);
  Bytes noise(4096);
  for (unsigned char& b : noise) b = static_cast<unsigned char>(rng());
  Bytes starts(1000, 0xFC);
  const std::vector<std::pair<const char*, Bytes>> kGarbage = {
      {"random bytes", noise},
      {"only start bytes", starts},
      {"length beyond the payload", {0xFC, 0x85, 0xFF, 0xFF, 1, 2, 3}},
      {"truncated header", {0xFC, 0x85}},
      {"unknown code with payload", {0xFC, 0x42, 0x00, 0x03, 1, 2, 3}},
      {"wrong set sizes", {0xFC, 0x84, 0x00, 0x05, 1, 2, 3, 4, 5, 0xFC, 0x86, 0x00, 0x00}},
      {"response bytes", {0xFE, 0x00, 0x00, 0x00, 0x00, 0x13, 0xFE, 0xFE}},
      {"zeros", Bytes(100, 0)},
      {"result while stopped", {0xFC, 0x82, 0x00, 0x01, 0x00}},
      {"upload pieces out of order", {0xFC, 0xE1, 0x00, 0x05, 0, 0, 0, 9, 7, 0xFC, 0xE2, 0x00, 0x00}},
  };
  const Bytes version_request = {0xFC, 0x00, 0x00, 0x00};
  const Bytes version_reply = {0xFE, 0x00, 0x00, 0x00, 0x00, 0x13, 'S', 'I', 'M', '-'};
  {
    RawLine line(sim_->device_path());
    ASSERT_TRUE(line.ok());
    for (const auto& g : kGarbage) {
      SCOPED_TRACE(g.first);
      Bytes b = g.second;
      b.insert(b.end(), version_request.begin(), version_request.end());
      line.Write(b);
      EXPECT_TRUE(line.AwaitBytes(version_reply, 8000));
    }
  }
  // Still the same camera for the client.
  ASSERT_NE(com_init(kPort, 0), 0);
  unsigned char status = 0xFF;
  VersionReply v;
  ASSERT_EQ(link_.GetVersion(&status, &v), 0);
  EXPECT_EQ(v.revision, 5);
}

TEST_F(FaultsTest, EndsCleanlyOnSignalsAndRemovesItsPort) {
  for (int sig : {SIGINT, SIGTERM}) {
    StartSim({"--scene", "room"});
    const std::string link = std::string(getenv("KELVARA_PORT_DIR")) + "/COM7";
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    unsigned char status = 0;
    ASSERT_EQ(link_.StartMeasurement(&status), 0);  // mid-measurement, port open
    const int wait_status = sim_->Stop(sig);
    ASSERT_TRUE(WIFEXITED(wait_status)) << sig;
    EXPECT_EQ(WEXITSTATUS(wait_status), 0);
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "COM7 left behind";
    com_close();
    sim_.reset();
  }
}

TEST_F(FaultsTest, RefusesAPortThatIsInUseAndReplacesAStaleOne) {
  StartSim({"--scene", "pattern"});
  EXPECT_FALSE(testing::SimProcess::Start({"--scene", "pattern"}, kPort, 3000));
  // A stale entry (its device gone) is taken over.
  const std::string stale = std::string(getenv("KELVARA_PORT_DIR")) + "/COM8";
  ASSERT_EQ(symlink("/dev/pts/no-such-terminal", stale.c_str()), 0);
  auto second = testing::SimProcess::Start({"--scene", "pattern"}, 8);
  ASSERT_TRUE(second) << testing::SimProcess::last_error();
  EXPECT_EQ(second->port(), 8);
  // Without --port: the first free number.
  auto third = testing::SimProcess::Start({"--scene", "pattern"});
  ASSERT_TRUE(third) << testing::SimProcess::last_error();
  EXPECT_EQ(third->port(), 1);
}

TEST_F(FaultsTest, RoomSceneStaysSmallInEveryFormat) {
#if defined(KELVARA_SANITIZED)
  GTEST_SKIP() << "sanitizer builds carry shadow memory";
#endif
  StartSim({"--scene", "room"});
  unsigned char status = 0;
  ASSERT_EQ(link_.StartMeasurement(&status), 0);
  for (int index = 0; index < kFormatCount; ++index) {
    ASSERT_EQ(link_.SetFormat(kFormatCodes[index], &status), 0);
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(FetchResult(link_, kWhole, &status), 0);
      ASSERT_EQ(status, 0);
    }
  }
  ThetaPhiTable table;
  ASSERT_EQ(link_.GetAngleTable(&status, &table), 0);
  const long kib = sim_->PeakResidentKiB();
  ASSERT_GT(kib, 0);
  EXPECT_LT(kib, 50 * 1024) << "peak resident size of the simulator";
  RecordProperty("simulator_peak_rss_kib", static_cast<int>(kib));
}

}  // namespace
}  // namespace kelvara
