#include "logging/log_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "camsim/pattern_scene.h"
#include "logging/log_files.h"
#include "logging/testing/log_test_support.h"
#include "testing/child_process.h"

namespace kelvara {
namespace {

using namespace testing_support;

int D(int r, int c) { return pattern::Distance(r, c); }
int A(int r, int c) { return pattern::Amplitude(r, c); }
int X(int r, int c) { return pattern::PointAt(r, c).x; }
int Y(int r, int c) { return pattern::PointAt(r, c).y; }
int Z(int r, int c) { return pattern::PointAt(r, c).z; }

class LogWriterTest : public ::testing::Test {
 protected:
  LogWriterTest() {
    writer.SetPngSaver([this](const std::string& path) {
      png_paths.push_back(path);
      return WriteFileBlock(path, "png", 3);
    });
  }
  void AllChecks() {
    writer.SetCsvCheck(true);
    writer.SetPngCheck(true);
    writer.SetBinCheck(true);
    writer.SetPcdCheck(true);
  }
  void WriteFrame(int format, int log_number) {
    const std::vector<unsigned char> frame = pattern::Frame(format);
    writer.SetFormatIndex(format);
    writer.WriteFrameLogs(log_number, frame.data(), frame.size());
  }
  std::string In(const std::string& name) const { return dir.path() + "/" + name; }

  TempDir dir;
  LogWriter writer;
  std::vector<std::string> png_paths;
};

TEST_F(LogWriterTest, PlaneFrameFilesHoldThePlanes) {
  AllChecks();
  writer.SetMirror({true, false});
  writer.StartRun(dir.path(), "run");
  WriteFrame(4, 7);

  EXPECT_EQ(FilesUnder(dir.path()),
            (std::set<std::string>{"run_0007.png", "run_0007.csv", "run_amp_0007.csv", "run_body_0007.raw"}));
  EXPECT_EQ(png_paths, std::vector<std::string>{In("run_0007.png")});
  EXPECT_EQ(ReadFile(In("run_0007.csv")), ExpectedCsv(D, {true, false}));
  EXPECT_EQ(ReadFile(In("run_amp_0007.csv")), ExpectedCsv(A, {true, false}));
  // Without a raw subfolder the name has two separators in a row.
  EXPECT_EQ(ReadFile(dir.path() + "/run_body_0007.raw"), ExpectedRaw(D, {true, false}));

  // Format 0 logs the amplitude plane 0; mirrors are read at each frame.
  writer.SetMirror({false, true});
  WriteFrame(0, 8);
  EXPECT_EQ(ReadFile(In("run_0008.csv")), ExpectedCsv(A, {false, true}));
  EXPECT_EQ(ReadFile(In("run_body_0008.raw")), ExpectedRaw(A, {false, true}));
  EXPECT_FALSE(Exists(In("run_amp_0008.csv")));
  EXPECT_EQ(writer.FirstFailure(), "");
}

TEST_F(LogWriterTest, PointFrameFilesHoldTheCoordinates) {
  AllChecks();
  writer.SetMirror({true, true});
  writer.StartRun(dir.path(), "pts");
  WriteFrame(5, 0);

  EXPECT_EQ(FilesUnder(dir.path()), (std::set<std::string>{"pts_0000.pcd", "pts_x_0000.csv", "pts_y_0000.csv",
                                                           "pts_z_0000.csv", "pts_amp_0000.csv"}));
  // The PCD file: the camera's header and the records, unmirrored.
  std::string pcd(pattern::kPcdHeader, kPcdHeaderBytes);
  for (int r = 0; r < 240; ++r)
    for (int c = 0; c < 320; ++c) {
      const pattern::Point p = pattern::PointAt(r, c);
      for (int v : {p.x, p.y, p.z}) {
        pcd += static_cast<char>(v & 0xFF);
        pcd += static_cast<char>((v >> 8) & 0xFF);
      }
    }
  ASSERT_EQ(pcd.size(), 460970u);
  EXPECT_EQ(ReadFile(In("pts_0000.pcd")), pcd);
  EXPECT_EQ(ReadFile(In("pts_x_0000.csv")), ExpectedCsv(X, {true, true}));
  EXPECT_EQ(ReadFile(In("pts_y_0000.csv")), ExpectedCsv(Y, {true, true}));
  EXPECT_EQ(ReadFile(In("pts_z_0000.csv")), ExpectedCsv(Z, {true, true}));
  EXPECT_EQ(ReadFile(In("pts_amp_0000.csv")), ExpectedCsv(A, {true, true}));
  EXPECT_TRUE(png_paths.empty());
}

// Which options apply to which format: PNG and Binary only to plane frames,
// PCD only to point frames, the amplitude CSV only with "+AMP" formats.
TEST_F(LogWriterTest, OptionsApplyOnlyToTheirFormats) {
  const std::set<std::string> expected[7] = {
      {"f_0001.png", "f_0001.csv", "f_body_0001.raw"},
      {"f_0001.png", "f_0001.csv", "f_body_0001.raw"},
      {"f_0001.pcd", "f_x_0001.csv", "f_y_0001.csv", "f_z_0001.csv"},
      {"f_0001.pcd", "f_x_0001.csv", "f_y_0001.csv", "f_z_0001.csv"},
      {"f_0001.png", "f_0001.csv", "f_amp_0001.csv", "f_body_0001.raw"},
      {"f_0001.pcd", "f_x_0001.csv", "f_y_0001.csv", "f_z_0001.csv", "f_amp_0001.csv"},
      {"f_0001.pcd", "f_x_0001.csv", "f_y_0001.csv", "f_z_0001.csv", "f_amp_0001.csv"}};
  for (int format = 0; format < 7; ++format) {
    SCOPED_TRACE(format);
    TempDir sub;
    AllChecks();
    writer.StartRun(sub.path(), "f");
    WriteFrame(format, 1);
    EXPECT_EQ(FilesUnder(sub.path()), expected[format]);

    // One option at a time writes only its own files.
    TempDir only_csv;
    writer.SetPngCheck(false);
    writer.SetBinCheck(false);
    writer.SetPcdCheck(false);
    writer.StartRun(only_csv.path(), "f");
    WriteFrame(format, 1);
    for (const std::string& f : FilesUnder(only_csv.path())) EXPECT_EQ(f.substr(f.size() - 4), ".csv");
  }
}

TEST_F(LogWriterTest, NothingIsWrittenOutsideARun) {
  AllChecks();
  WriteFrame(1, 0);
  writer.WriteTemperatureLog({350, 352, 354, 356, 0, 300});
  writer.WriteSettingsLog(DeviceParameters{}, 1);
  EXPECT_TRUE(FilesUnder(dir.path()).empty());
  EXPECT_EQ(writer.BaseName(), "");

  // An empty file name logs as "unnamed"; the settings block ends the run.
  writer.StartRun(dir.path(), "");
  EXPECT_EQ(writer.BaseName(), "unnamed");
  WriteFrame(1, 0);
  writer.WriteSettingsLog(DeviceParameters{}, 1);
  EXPECT_TRUE(Exists(In("unnamed_0000.csv")));
  EXPECT_TRUE(Exists(In("unnamed.txt")));
  EXPECT_EQ(writer.BaseName(), "");
  WriteFrame(1, 1);
  EXPECT_FALSE(Exists(In("unnamed_0001.csv")));
}

TEST_F(LogWriterTest, RawFilesGoIntoThousandsFolders) {
  writer.SetBinCheck(true);
  // Up to 1000 logs: straight into the save folder.
  writer.SetSchedule({1000, 1, 0});
  writer.StartRun(dir.path(), "a");
  EXPECT_EQ(writer.RawSubfolder(), "");
  WriteFrame(1, 999);
  EXPECT_TRUE(Exists(In("a_body_0999.raw")));

  // More than 1000: "0000" from the first log, then one folder per thousand.
  TempDir big;
  writer.SetSchedule({3000, 1, 0});
  writer.StartRun(big.path(), "b");
  EXPECT_EQ(writer.RawSubfolder(), "0000");
  EXPECT_TRUE(std::filesystem::is_directory(big.path() + "/0000"));
  for (int n : {0, 999, 1000, 1999, 2000, 2500}) WriteFrame(1, n);
  EXPECT_EQ(FilesUnder(big.path()),
            (std::set<std::string>{"0000/b_body_0000.raw", "0000/b_body_0999.raw", "0001/b_body_1000.raw",
                                   "0001/b_body_1999.raw", "0002/b_body_2000.raw", "0002/b_body_2500.raw"}));
  EXPECT_EQ(writer.RawSubfolder(), "0002");
  EXPECT_EQ(ReadFile(big.path() + "/0002/b_body_2500.raw"), ExpectedRaw(D, {}));
}

// "Binary" ticked only during a run: the raw files go into this run's
// folder, and a thousands folder is created when the first raw file needs
// it, whatever the previous run used.
TEST_F(LogWriterTest, BinaryTickedDuringARunWritesIntoThisRunsFolders) {
  struct Case {
    const char* what;
    int total;
    const char* expected;
  };
  const Case cases[] = {
      {"thousands folders", 3000, "0000/c_body_0000.raw"},
      {"straight into the save folder", 5, "c_body_0000.raw"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The previous run logged raw files into its own "0000".
    TempDir previous;
    writer.SetBinCheck(true);
    writer.SetSchedule({3000, 1, 0});
    writer.StartRun(previous.path(), "b");
    WriteFrame(1, 0);
    ASSERT_TRUE(Exists(previous.path() + "/0000/b_body_0000.raw"));

    TempDir fresh;
    writer.SetBinCheck(false);
    writer.SetSchedule({c.total, 1, 0});
    writer.StartRun(fresh.path(), "c");
    EXPECT_EQ(FilesUnder(fresh.path()), std::set<std::string>{}) << "nothing made before it is needed";
    writer.SetBinCheck(true);
    WriteFrame(1, 0);
    EXPECT_EQ(FilesUnder(fresh.path()), std::set<std::string>{c.expected});
    EXPECT_EQ(writer.FirstFailure(), "");
  }
}

TEST_F(LogWriterTest, LogNumbersBeyondFourDigitsKeepAllDigits) {
  writer.SetCsvCheck(true);
  writer.SetBinCheck(false);
  writer.StartRun(dir.path(), "n");
  WriteFrame(2, 10000);
  EXPECT_TRUE(Exists(In("n_x_10000.csv")));
  EXPECT_TRUE(Exists(In("n_10000.pcd")));
}

TEST_F(LogWriterTest, TemperatureLogHasOneHeaderAndSkipsUnsampled) {
  const std::string header = "CHIP(Meam),CHIP(Upper-left),CHIP(Upper-right),CHIP(Lower-left),CHIP(Lower-right),LED\r\n";
  TemperatureSample sample;
  sample.upper_left = pattern::kImagerTemperatures[0];
  sample.upper_right = pattern::kImagerTemperatures[1];
  sample.lower_left = pattern::kImagerTemperatures[2];
  sample.lower_right = pattern::kImagerTemperatures[3];
  sample.led = pattern::kLedTemperature;
  writer.StartRun(dir.path(), "t");
  writer.WriteTemperatureLog(sample);
  TemperatureSample unsampled = sample;
  unsampled.sampled = -1;
  writer.WriteTemperatureLog(unsampled);
  sample.upper_left = -5;
  sample.led = 1234;
  writer.WriteTemperatureLog(sample);
  // A second run with the same base name appends without a second header.
  writer.WriteSettingsLog(DeviceParameters{}, 2);
  writer.StartRun(dir.path(), "t");
  writer.WriteTemperatureLog(sample);

  EXPECT_EQ(ReadFile(In("t_temp.csv")), header +
                                            "35.3,35.0,35.2,35.4,35.6,30.0\r\n"
                                            "26.4,-0.5,35.2,35.4,35.6,123.4\r\n"
                                            "26.4,-0.5,35.2,35.4,35.6,123.4\r\n");
}

TEST_F(LogWriterTest, AngleLogsHoldTheRawTable) {
  const std::vector<unsigned char> reply = pattern::AngleTable();
  ThetaPhiTable table;
  for (int i = 0; i < 76800; ++i) {
    table.theta.push_back(static_cast<uint16_t>(reply[2 * i] | (reply[2 * i + 1] << 8)));
    table.phi.push_back(static_cast<uint16_t>(reply[153600 + 2 * i] | (reply[153600 + 2 * i + 1] << 8)));
  }
  // Printed as signed 16-bit values: 0xF000 is -4096.
  const auto theta = [](int r, int c) { return static_cast<int16_t>(pattern::Theta(r, c)); };
  const auto phi = [](int r, int c) { return static_cast<int16_t>(pattern::Phi(r, c)); };
  writer.SetCsvCheck(true);
  writer.SetBinCheck(true);
  writer.SetMirror({false, true});
  writer.StartRun(dir.path(), "ang");
  writer.WriteAngleLogs(table);

  EXPECT_EQ(FilesUnder(dir.path()),
            (std::set<std::string>{"ang_theta.csv", "ang_phi.csv", "ang_theta.raw", "ang_phi.raw"}));
  const std::string theta_csv = ReadFile(In("ang_theta.csv"));
  EXPECT_EQ(theta_csv, ExpectedCsv(theta, {false, true}));
  EXPECT_NE(theta_csv.find("-4096,"), std::string::npos);
  EXPECT_EQ(ReadFile(In("ang_phi.csv")), ExpectedCsv(phi, {false, true}));
  EXPECT_EQ(ReadFile(In("ang_theta.raw")), ExpectedRaw(theta, {false, true}));
  EXPECT_EQ(ReadFile(In("ang_phi.raw")), ExpectedRaw(phi, {false, true}));

  // Only "Binary": the CSV files are not written again.
  TempDir only_raw;
  writer.SetCsvCheck(false);
  writer.StartRun(only_raw.path(), "ang");
  writer.WriteAngleLogs(table);
  EXPECT_EQ(FilesUnder(only_raw.path()), (std::set<std::string>{"ang_theta.raw", "ang_phi.raw"}));
}

std::string SettingsBlock(int frames, const char* format, const char* mode, const char* pilot) {
  return std::string("Number of samples : ") + std::to_string(frames) + "\r\n" +
         "\r\n"
         "Log settings\r\n"
         "  Number of logs\r\n"
         "     Total            : 25\r\n"
         "     Once             : 5\r\n"
         "  Logging interval    : 3 s\r\n"
         "\r\n"
         "Setting\r\n"
         "  Format              : " +
         format + "\r\n" + "  Mode                : " + mode + "\r\n" +
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
         "  Pilot LED           : " +
         pilot + "\r\n" +
         "  Response speed\r\n"
         "     Data size        : 16 KB\r\n"
         "     Interval         : 0 us\r\n"
         "  ENR threshold       : 0\r\n"
         "\r\n\r\n\r\n";
}

TEST_F(LogWriterTest, SettingsBlocksAreAppendedPerRun) {
  writer.SetSchedule({25, 5, 3});
  // The camera's start-up values, as read at connect.
  DeviceParameters p;
  p.format = {1, 1};
  p.mode = {0, 0};
  p.pilot_led = {1, 1};
  writer.StartRun(dir.path(), "s");
  writer.WriteSettingsLog(p, 25);

  // No Format or Mode entry selected prints empty names; Pilot LED 0 is ON.
  DeviceParameters unselected;
  unselected.pilot_led.current = 0;
  writer.StartRun(dir.path(), "s");
  writer.WriteSettingsLog(unselected, 11);

  EXPECT_EQ(ReadFile(In("s.txt")),
            SettingsBlock(25, "Distance(Polar)", "Normal", "OFF") + SettingsBlock(11, "", "", "ON"));
}

TEST_F(LogWriterTest, FirstUnwritableFileOfARunIsKept) {
  AllChecks();
  // A folder standing where the CSV file should go: that file fails, the
  // others of the frame are still written.
  std::filesystem::create_directory(In("r_0000.csv"));
  writer.StartRun(dir.path(), "r");
  WriteFrame(4, 0);
  EXPECT_EQ(writer.FirstFailure(), In("r_0000.csv"));
  EXPECT_TRUE(Exists(In("r_amp_0000.csv")));
  EXPECT_TRUE(Exists(In("r_body_0000.raw")));
  EXPECT_TRUE(Exists(In("r_0000.png")));
  // Later failures do not replace the first.
  writer.SetPngSaver([](const std::string&) { return false; });
  WriteFrame(4, 1);
  EXPECT_EQ(writer.FirstFailure(), In("r_0000.csv"));
  EXPECT_EQ(OutputFailureMessage(writer.FirstFailure()), "Failed to output file!! [ " + In("r_0000.csv") + " ]");

  // A new run starts clean; a refusing PNG encoder is a failure too.
  writer.StartRun(dir.path(), "r");
  EXPECT_EQ(writer.FirstFailure(), "");
  WriteFrame(1, 5);
  EXPECT_EQ(writer.FirstFailure(), In("r_0005.png"));

  // No PNG encoder at all: the PNG is not written, and that is said.
  writer.SetPngSaver(nullptr);
  writer.StartRun(dir.path(), "q");
  WriteFrame(0, 0);
  EXPECT_EQ(writer.FirstFailure(), In("q_0000.png"));
}

TEST_F(LogWriterTest, MissingFolderFailsEveryWriter) {
  const std::string missing = dir.path() + "/not-there";
  struct Case {
    const char* what;
    std::function<void(LogWriter&)> write;
    std::string first;
  } cases[] = {
      {"frame",
       [](LogWriter& w) {
         const auto frame = pattern::Frame(5);
         w.SetFormatIndex(5);
         w.WriteFrameLogs(3, frame.data(), frame.size());
       },
       missing + "/m_0003.pcd"},
      {"temperature", [](LogWriter& w) { w.WriteTemperatureLog({}); }, missing + "/m_temp.csv"},
      {"angles",
       [](LogWriter& w) {
         w.WriteAngleLogs({std::vector<uint16_t>(76800), std::vector<uint16_t>(76800)});
       },
       missing + "/m_theta.csv"},
      {"settings", [](LogWriter& w) { w.WriteSettingsLog({}, 0); }, missing + "/m.txt"},
      {"raw",
       [](LogWriter& w) {
         const auto frame = pattern::Frame(1);
         w.SetFormatIndex(1);
         w.SetCsvCheck(false);
         w.SetPngCheck(false);
         w.WriteFrameLogs(0, frame.data(), frame.size());
       },
       missing + "/0000/m_body_0000.raw"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LogWriter w;
    w.SetCsvCheck(true);
    w.SetSchedule({5000, 1, 0});
    w.StartRun(missing, "m");
    c.write(w);
    EXPECT_EQ(w.FirstFailure(), c.first);
  }
  EXPECT_FALSE(Exists(missing));
  // The run ends even when its summary could not be written.
  LogWriter w;
  w.StartRun(missing, "m");
  w.WriteSettingsLog({}, 0);
  EXPECT_EQ(w.BaseName(), "");
}

TEST_F(LogWriterTest, ReadOnlyFolderIsAFailure) {
  const std::string ro = In("ro");
  std::filesystem::create_directory(ro);
  namespace fs = std::filesystem;
  fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
  const std::vector<unsigned char> frame = pattern::Frame(1);
  auto run = [&] {
    LogWriter w;
    w.SetCsvCheck(true);
    w.SetFormatIndex(1);
    w.StartRun(ro, "x");
    w.WriteFrameLogs(0, frame.data(), frame.size());
    return w.FirstFailure() == ro + "/x_0000.csv" && !Exists(ro + "/x_0000.csv");
  };
  if (geteuid() != 0) {
    EXPECT_TRUE(run());
    return;
  }
  // Root writes anywhere: the writer runs in a child that has given up root.
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  const int status = kelvara::testing::RunForked([&] {
    const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
    return dropped ? (run() ? 0 : 1) : 2;
  });
  EXPECT_EQ(status, 0) << "1: not reported, 2: could not give up root";
}

TEST_F(LogWriterTest, ShortFrameWritesNothing) {
  AllChecks();
  writer.StartRun(dir.path(), "s");
  const std::vector<unsigned char> frame(1000);
  writer.WriteFrameLogs(0, frame.data(), frame.size());
  writer.WriteFrameLogs(0, nullptr, 614656);
  EXPECT_TRUE(FilesUnder(dir.path()).empty());
}

// The user flips the view and toggles options while the worker writes:
// each frame uses one consistent set of values it read at that moment.
TEST_F(LogWriterTest, OptionsChangeWhileFramesAreWritten) {
  writer.SetCsvCheck(true);
  writer.SetBinCheck(false);
  writer.SetPngCheck(false);
  writer.StartRun(dir.path(), "c");
  const std::vector<unsigned char> frame = pattern::Frame(1);
  writer.SetFormatIndex(1);
  std::atomic<bool> done{false};
  std::thread ui([&] {
    for (int i = 0; !done.load(); ++i) {
      writer.SetMirror({i % 2 == 0, i % 3 == 0});
      writer.SetPngCheck(i % 5 == 0);
      (void)writer.BaseName();
      (void)writer.FirstFailure();
    }
  });
  for (int n = 0; n < 12; ++n) writer.WriteFrameLogs(n, frame.data(), frame.size());
  done.store(true);
  ui.join();

  std::set<std::string> allowed;
  for (Mirror m : {Mirror{false, false}, Mirror{true, false}, Mirror{false, true}, Mirror{true, true}})
    allowed.insert(ExpectedCsv(D, m));
  for (int n = 0; n < 12; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "c_%04d.csv", n);
    EXPECT_EQ(allowed.count(ReadFile(In(name))), 1u) << name;
  }
}

}  // namespace
}  // namespace kelvara
