// kelvara-capture against the simulator's pattern scene over a
// pseudo-terminal: the files and bytes of a logging run, computed here from
// the pattern's formulas; failures, folders and Ctrl-C.
#include <gtest/gtest.h>

#include <png.h>

#include <signal.h>
#include <sys/stat.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "camsim/pattern_scene.h"
#include "camsim/testing/sim_process.h"
#include "display/colour_table.h"
#include "link/camera_link.h"
#include "testing/child_process.h"
#include "testing/test_files.h"
#include "uart/UART.h"

namespace kelvara {
namespace {

using testing::ChildProcess;
using testing::ListFolder;
using testing::PrivateRuntimeDir;
using testing::ReadFile;
using testing::RunProgram;
using testing::SimProcess;

using Sample = std::function<int(int r, int c)>;

// Row order of a logged table with both flips off: the first line is sample
// row 239.
int LoggedRow(int line) { return 239 - line; }

std::string ExpectedCsv(const Sample& sample) {
  std::string out;
  char field[16];
  for (int line = 0; line < 240; ++line)
    for (int c = 0; c < 320; ++c) {
      std::snprintf(field, sizeof field, "%5d", static_cast<int16_t>(sample(LoggedRow(line), c)));
      out += field;
      out += c < 319 ? "," : "\r\n";
    }
  return out;
}

std::string ExpectedRaw(const Sample& sample) {
  std::string out;
  for (int line = 0; line < 240; ++line)
    for (int c = 0; c < 320; ++c) {
      const int v = static_cast<uint16_t>(sample(LoggedRow(line), c));
      out += static_cast<char>(v & 0xFF);
      out += static_cast<char>(v >> 8);
    }
  return out;
}

// The false colour of a distance word with the range 0..6250 and both
// colour flags on.
uint32_t DistanceColour(int16_t v) {
  if (v == 30000) return kBlack;
  if (v == 31000) return kSaturationColour;
  if (v == 32000) return kOverflowColour;
  if (v < -16384) return kOverflowColour;
  if (v < 0) return kSaturationColour;
  if (v > 16383) return kBlack;
  if (v > 6250) return kOutOfRangeColour;
  const int k = std::max(64 * v / 6250 - 1, 0);
  return kDistanceColours[k];
}

// Reads a PNG as 8-bit RGB words 0x00RRGGBB, row 0 at the top.
std::vector<uint32_t> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (image.width != 320 || image.height != 240 || !png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
    return {};
  std::vector<uint32_t> px(320 * 240);
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  return px;
}

class CaptureE2eTest : public ::testing::Test {
 protected:
  void SetUp() override { out_ = runtime_.path() + "/logs"; }

  std::unique_ptr<SimProcess> StartSim(std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"--scene", "pattern"});
    auto sim = SimProcess::Start(args);
    EXPECT_TRUE(sim) << SimProcess::last_error();
    return sim;
  }
  std::vector<std::string> Capture(int port, std::vector<std::string> args) {
    args.insert(args.begin(), {KELVARA_CAPTURE_PATH, "--port", std::to_string(port)});
    return args;
  }
  std::string Log(const std::string& name) const { return out_ + "/" + name; }

  PrivateRuntimeDir runtime_;
  std::string out_;
};

TEST_F(CaptureE2eTest, PolarLoggingRunWritesExactlyTheFilesOfTheLogFormats) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  std::string err;
  ASSERT_EQ(RunProgram(Capture(sim->port(), {"--format", "1", "--total", "5", "--csv", "--bin", "--png", "--name", "t",
                                             "--out", out_}),
                       &err),
            0)
      << err;
  EXPECT_NE(err.find("connected to COM" + std::to_string(sim->port()) + ", server version 1.0.5.00000042"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("5 frames logged"), std::string::npos) << err;

  std::set<std::string> expected = {"t.txt", "t_temp.csv", "t_theta.csv", "t_phi.csv", "t_theta.raw", "t_phi.raw"};
  for (int n = 0; n < 5; ++n) {
    const std::string num = "000" + std::to_string(n);
    expected.insert({"t_" + num + ".csv", "t_" + num + ".png", "t_body_" + num + ".raw"});
  }
  EXPECT_EQ(ListFolder(out_), expected);

  const std::string distance_csv = ExpectedCsv(pattern::Distance);
  const std::string distance_raw = ExpectedRaw(pattern::Distance);
  std::vector<uint32_t> colours(320 * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) colours[y * 320 + x] = DistanceColour(pattern::Distance(LoggedRow(y), x));
  for (int n = 0; n < 5; ++n) {
    SCOPED_TRACE(n);
    const std::string num = "000" + std::to_string(n);
    EXPECT_TRUE(ReadFile(Log("t_" + num + ".csv")) == distance_csv);
    EXPECT_TRUE(ReadFile(Log("t_body_" + num + ".raw")) == distance_raw);
    EXPECT_TRUE(ReadPng(Log("t_" + num + ".png")) == colours);
  }
  EXPECT_TRUE(ReadFile(Log("t_theta.csv")) == ExpectedCsv(pattern::Theta));
  EXPECT_TRUE(ReadFile(Log("t_phi.csv")) == ExpectedCsv(pattern::Phi));
  EXPECT_TRUE(ReadFile(Log("t_theta.raw")) == ExpectedRaw(pattern::Theta));
  EXPECT_TRUE(ReadFile(Log("t_phi.raw")) == ExpectedRaw(pattern::Phi));

  std::string temp = "CHIP(Meam),CHIP(Upper-left),CHIP(Upper-right),CHIP(Lower-left),CHIP(Lower-right),LED\r\n";
  for (int n = 0; n < 5; ++n) temp += "35.3,35.0,35.2,35.4,35.6,30.0\r\n";
  EXPECT_EQ(ReadFile(Log("t_temp.csv")), temp);

  EXPECT_EQ(ReadFile(Log("t.txt")),
            "Number of samples : 5\r\n"
            "\r\n"
            "Log settings\r\n"
            "  Number of logs\r\n"
            "     Total            : 5\r\n"
            "     Once             : 1\r\n"
            "  Logging interval    : 0 s\r\n"
            "\r\n"
            "Setting\r\n"
            "  Format              : Distance(Polar)\r\n"
            "  Mode                : Normal\r\n"
            "  Exposure time       : 425 us\r\n"
            "  Frame rate limiter  : 0 fps\r\n"
            "  Amplitude minimum\r\n"
            "     All  range       : 1\r\n"
            "     Near range       : 3\r\n"
            "  Rotation angle\r\n"
            "     x                : 0\r\n"
            "     y                : 0\r\n"
            "     z                : 0\r\n"
            "  LED freq. ID        : 8\r\n"
            "  Pilot LED           : OFF\r\n"
            "  Response speed\r\n"
            "     Data size        : 16 KB\r\n"
            "     Interval         : 0 us\r\n"
            "  ENR threshold       : 0\r\n"
            "\r\n"
            "\r\n"
            "\r\n");
}

TEST_F(CaptureE2eTest, BurstsIntervalAndStopSampling) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  std::string err;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProgram(Capture(sim->port(), {"--format", "5", "--total", "4", "--once", "2", "--interval", "1", "--csv",
                                             "--pcd", "--name", "b", "--out", out_}),
                       &err),
            0)
      << err;
  // Two bursts of two frames, the second at least a whole second later.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  const std::string temp = ReadFile(Log("b_temp.csv"));
  EXPECT_EQ(std::count(temp.begin(), temp.end(), '\n'), 3) << temp;
  const std::vector<unsigned char> frame = pattern::Frame(5);
  for (int n = 0; n < 4; ++n) {
    const std::string pcd = ReadFile(Log("b_000" + std::to_string(n) + ".pcd"));
    EXPECT_TRUE(pcd == std::string(frame.begin(), frame.begin() + 460970)) << n;
  }
  EXPECT_TRUE(ReadFile(Log("b_z_0003.csv")) == ExpectedCsv([](int r, int c) { return pattern::PointAt(r, c).z; }));
  EXPECT_TRUE(ReadFile(Log("b_amp_0003.csv")) == ExpectedCsv(pattern::Amplitude));
  EXPECT_FALSE(ListFolder(out_).count("b_theta.csv")) << "angle logs belong to the polar formats";

  ASSERT_EQ(RunProgram(Capture(sim->port(), {"--total", "2", "--stop-sampling", "--name", "s", "--out", out_}), &err),
            0)
      << err;
  EXPECT_FALSE(ListFolder(out_).count("s_temp.csv"));
  EXPECT_TRUE(ListFolder(out_).count("s_0001.pcd")) << "the camera kept format 5";
}

TEST_F(CaptureE2eTest, SimulatorFaultsAreFailedCycles) {
  auto sim = StartSim({"--corrupt-every", "3"});
  ASSERT_TRUE(sim);
  std::string err;
  EXPECT_EQ(RunProgram(Capture(sim->port(), {"--format", "1", "--total", "4", "--out", out_}), &err), 0) << err;
  EXPECT_EQ(err.find("0 failed cycles"), std::string::npos) << err;
  EXPECT_NE(err.find("4 frames logged"), std::string::npos) << err;

  auto broken = StartSim({"--corrupt-every", "1"});
  ASSERT_TRUE(broken);
  EXPECT_EQ(RunProgram(Capture(broken->port(), {"--format", "1", "--name", "x", "--out", out_}), &err), 7);
  EXPECT_NE(err.find("Get mesurement result failed!!"), std::string::npos) << err;
  EXPECT_NE(err.find("11 failed cycles"), std::string::npos) << err;
}

TEST_F(CaptureE2eTest, MissingPortAndUnwritableFolders) {
  std::string err;
  EXPECT_EQ(RunProgram({KELVARA_CAPTURE_PATH, "--port", "99", "--out", out_}, &err), 3);
  EXPECT_NE(err.find("no such port COM99"), std::string::npos) << err;

  auto sim = StartSim();
  ASSERT_TRUE(sim);
  // A port that another user of the serial library holds: the cause is told.
  ASSERT_NE(com_init(sim->port(), 0), 0);
  EXPECT_EQ(RunProgram(Capture(sim->port(), {"--out", out_ + "_busy"}), &err), 3);
  EXPECT_NE(err.find("cannot open port COM" + std::to_string(sim->port()) + ": Device or resource busy"),
            std::string::npos)
      << err;
  com_close();

  EXPECT_EQ(RunProgram(Capture(sim->port(), {"--out", "/dev/null/logs"}), &err), 6);
  EXPECT_NE(err.find("cannot write to the output folder /dev/null/logs"), std::string::npos) << err;

  ASSERT_EQ(mkdir(out_.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(Log("u_0001.pcd").c_str(), 0700), 0);
  EXPECT_EQ(RunProgram(Capture(sim->port(), {"--format", "2", "--total", "3", "--name", "u", "--out", out_}), &err), 6);
  EXPECT_NE(err.find("Failed to output file!! [ " + Log("u_0001.pcd") + " ]"), std::string::npos) << err;
  EXPECT_TRUE(ListFolder(out_).count("u_0002.pcd"));
}

TEST_F(CaptureE2eTest, ThreeDExportRingBesideTheProgram) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  const std::string program = KELVARA_CAPTURE_PATH;
  const std::string ring = program.substr(0, program.rfind('/')) + "/3d_data/";
  std::remove((ring + "data_no").c_str());
  std::string err;
  ASSERT_EQ(RunProgram(Capture(sim->port(), {"--format", "4", "--total", "3", "--3d", "--out", out_}), &err), 0) << err;
  const std::string slot = ReadFile(ring + "data_no");
  ASSERT_FALSE(slot.empty());
  const std::vector<unsigned char> frame = pattern::Frame(4);
  EXPECT_TRUE(ReadFile(ring + "data_" + slot + ".bin") == std::string(frame.begin(), frame.begin() + 614400));
}

TEST_F(CaptureE2eTest, InterruptEndsTheLoggingRunCleanlyAndStopsTheCamera) {
  auto sim = StartSim();
  ASSERT_TRUE(sim);
  ChildProcess capture(
      Capture(sim->port(), {"--format", "1", "--total", "999999", "--bin", "--name", "i", "--out", out_}),
      {ChildProcess::kDiscard, ChildProcess::kCapture});
  // Wait until a few frames are on disk (raw files go into thousands folders).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ListFolder(out_ + "/0000").size() < 3 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(ListFolder(out_ + "/0000").size(), 3u);
  ASSERT_EQ(kill(capture.pid(), SIGINT), 0);
  ASSERT_EQ(capture.Wait(), 0) << capture.err();

  const size_t logged = ListFolder(out_ + "/0000").size();
  EXPECT_NE(ReadFile(Log("i.txt")).find("Number of samples : " + std::to_string(logged) + "\r\n"), std::string::npos);
  EXPECT_TRUE(ListFolder(out_).count("i_theta.raw")) << "the logging run ended as a complete one";

  // The camera is no longer measuring: it refuses a result request.
  CameraLink link(UartSerialLibrary(), [](int) {});
  ASSERT_TRUE(link.Open(sim->port()));
  unsigned char status = 0;
  EXPECT_EQ(link.GetResult(&status, nullptr), 0);
  EXPECT_NE(status, 0);
  link.Close();
}

}  // namespace
}  // namespace kelvara
