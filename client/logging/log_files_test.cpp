#include "logging/log_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "camsim/pattern_scene.h"
#include "logging/log_names.h"
#include "logging/plane_format.h"
#include "logging/testing/log_test_support.h"

namespace kelvara {
namespace {

using namespace testing_support;

// A plane of little-endian samples computed from a sample function.
std::vector<unsigned char> PlaneBytes(const SampleAt& sample) {
  std::vector<unsigned char> bytes;
  for (int r = 0; r < 240; ++r)
    for (int c = 0; c < 320; ++c) {
      const int v = sample(r, c);
      bytes.push_back(static_cast<unsigned char>(v & 0xFF));
      bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    }
  return bytes;
}

TEST(PlaneCsv, SingleSampleWithVerticalMirror) {
  // 1234 at row 0, column 0, every other sample 0: with rows reversed the
  // last line holds row 0.
  const auto bytes = PlaneBytes([](int r, int c) { return r == 0 && c == 0 ? 1234 : 0; });
  std::vector<char> out;
  const std::size_t n = FormatPlaneCsv({bytes.data(), 2}, {false, true}, &out);
  const std::string csv(out.data(), n);

  std::vector<std::string> lines;
  for (std::size_t start = 0; start < csv.size();) {
    const std::size_t end = csv.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(csv.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 240u);
  for (const std::string& line : lines) {
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 319);
    EXPECT_NE(line.back(), ',');
  }
  EXPECT_EQ(lines.back().substr(0, 12), " 1234,    0,");
  EXPECT_EQ(lines.front().substr(0, 12), "    0,    0,");
}

TEST(PlaneCsv, PatternPlanesInEveryMirrorMatchPrintf) {
  // The distance plane holds the widest fields (30000, 32000, -16385, -1).
  const auto distance = [](int r, int c) { return pattern::Distance(r, c); };
  const auto extremes = [](int r, int c) {
    const int values[] = {-32768, 32767, -10000, -9999, 99, -1, 0, 12345};
    return values[(r + c) % 8];
  };
  const auto d_bytes = PlaneBytes(distance);
  const auto e_bytes = PlaneBytes(extremes);
  std::vector<char> out;
  for (Mirror m : {Mirror{false, false}, Mirror{true, false}, Mirror{false, true}, Mirror{true, true}}) {
    SCOPED_TRACE(std::to_string(m.x) + std::to_string(m.y));
    std::size_t n = FormatPlaneCsv({d_bytes.data(), 2}, m, &out);
    EXPECT_EQ(std::string(out.data(), n), ExpectedCsv(distance, m));
    n = FormatPlaneCsv({e_bytes.data(), 2}, m, &out);
    EXPECT_EQ(std::string(out.data(), n), ExpectedCsv(extremes, m));
    FormatPlaneRaw({d_bytes.data(), 2}, m, &out);
    EXPECT_EQ(std::string(out.begin(), out.end()), ExpectedRaw(distance, m));
  }
}

TEST(PlaneRaw, FirstSampleLittleEndian) {
  const auto bytes = PlaneBytes([](int r, int c) { return r == 0 && c == 0 ? 1234 : 0; });
  std::vector<char> out;
  FormatPlaneRaw({bytes.data(), 2}, {false, false}, &out);
  ASSERT_EQ(out.size(), 153600u);
  EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xD2);
  EXPECT_EQ(static_cast<unsigned char>(out[1]), 0x04);
}

TEST(LogFiles, WritersReplaceAndAppend) {
  TempDir dir;
  const auto bytes = PlaneBytes([](int r, int c) { return pattern::Amplitude(r, c); });
  const std::string csv = dir.path() + "/a.csv";
  const std::string raw = dir.path() + "/a.raw";
  ASSERT_TRUE(WriteFileBlock(csv, "old content that is longer than nothing", 40));
  ASSERT_TRUE(WritePlaneCsv(csv, {bytes.data(), 2}, {}, nullptr));
  EXPECT_EQ(ReadFile(csv), ExpectedCsv(pattern::Amplitude, {}));
  ASSERT_TRUE(WritePlaneRaw(raw, {bytes.data(), 2}, {true, true}, nullptr));
  EXPECT_EQ(ReadFile(raw), ExpectedRaw(pattern::Amplitude, {true, true}));

  const std::string text = dir.path() + "/t.txt";
  ASSERT_TRUE(AppendToFile(text, "one\r\n", "head\r\n"));
  ASSERT_TRUE(AppendToFile(text, "two\r\n", "head\r\n"));
  EXPECT_EQ(ReadFile(text), "head\r\none\r\ntwo\r\n");
}

// A full disk fails at the write, not at the open: every writer says so.
TEST(LogFiles, WriteFailuresAreReported) {
  const auto bytes = PlaneBytes([](int, int) { return 7; });
  EXPECT_FALSE(WriteFileBlock("/dev/full", bytes.data(), bytes.size()));
  EXPECT_FALSE(WritePlaneCsv("/dev/full", {bytes.data(), 2}, {}, nullptr));
  EXPECT_FALSE(WritePlaneRaw("/dev/full", {bytes.data(), 2}, {}, nullptr));
  EXPECT_FALSE(AppendToFile("/dev/full", "line\r\n"));

  TempDir dir;
  EXPECT_FALSE(WriteFileBlock(dir.path() + "/missing/x.raw", bytes.data(), 4));
  EXPECT_FALSE(AppendToFile(dir.path() + "/missing/x.txt", "line\r\n"));
}

// A file size limit stops a write part-way, as a disk that fills up does:
// the failure is reported, and every file is whole or absent (an older file
// of the same name is kept, no temporary file is left behind, an append is
// cut back to the last whole line).
TEST(LogFiles, WriteStoppedPartWayLeavesWholeFilesOnly) {
  TempDir dir;
  const auto bytes = PlaneBytes([](int r, int c) { return r + c; });
  const std::string kept = dir.path() + "/kept.csv";
  const std::string log = dir.path() + "/t_temp.csv";
  ASSERT_TRUE(WriteFileBlock(kept, "old\r\n", 5));
  ASSERT_TRUE(AppendToFile(log, "1,2\r\n", "head\r\n"));
  const std::string long_line(200000, 'x');

  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

  const bool csv_ok = WritePlaneCsv(dir.path() + "/big.csv", {bytes.data(), 2}, {}, nullptr);
  const bool replace_ok = WritePlaneCsv(kept, {bytes.data(), 2}, {}, nullptr);
  const bool raw_ok = WritePlaneRaw(dir.path() + "/big.raw", {bytes.data(), 2}, {}, nullptr);
  const bool small_ok = WriteFileBlock(dir.path() + "/small.raw", bytes.data(), 1000);
  const bool append_ok = AppendToFile(log, long_line + "\r\n", "head\r\n");
  const bool new_append_ok = AppendToFile(dir.path() + "/new.txt", long_line, "head\r\n");

  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(csv_ok);
  EXPECT_FALSE(replace_ok);
  EXPECT_FALSE(raw_ok);
  EXPECT_TRUE(small_ok);
  EXPECT_FALSE(append_ok);
  EXPECT_FALSE(new_append_ok);
  EXPECT_EQ(ReadFile(kept), "old\r\n");
  EXPECT_EQ(ReadFile(log), "head\r\n1,2\r\n");
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"kept.csv", "small.raw", "t_temp.csv"}));
}

// Paths in messages are clean: no doubled separators, whatever the folder.
TEST(LogNames, NoDoubledSeparators) {
  struct Case {
    std::string got, want;
  } cases[] = {
      {RawLogPath("out", "", "t", 1), "out/t_body_0001.raw"},
      {RawLogPath("out/", "", "t", 1), "out/t_body_0001.raw"},
      {RawLogPath("out", "0001", "t", 1234), "out/0001/t_body_1234.raw"},
      {RawLogPath("/", "0000", "t", 0), "/0000/t_body_0000.raw"},
      {NumberedLogPath("out/", "t", "_amp_", 7, ".csv"), "out/t_amp_0007.csv"},
      {NumberedLogPath("out", "t", "_", 12345, ".pcd"), "out/t_12345.pcd"},
      {RunLogPath("a/b/", "t", "_temp.csv"), "a/b/t_temp.csv"},
      {RunLogPath("a/b", "t", ".txt"), "a/b/t.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

}  // namespace
}  // namespace kelvara
