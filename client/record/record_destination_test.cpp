// Where "Record" writes, and when it refuses to.
#include "record/record_destination.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(RecordDestinationTest, NameHoldsTheFileNameAndTheLocalStartTime) {
  const std::time_t when = LocalTime(2026, 12, 11, 4, 5, 6);
  EXPECT_EQ(RecordingPath("/data", "run", when), "/data/run_20261211-040506.kvrec");
  EXPECT_EQ(RecordingPath("/data/", "", when), "/data/unnamed_20261211-040506.kvrec");
}

TEST(RecordDestinationTest, RefusalsLikeALoggingStartAndNeverOverAFile) {
  kelvara::testing::TempFolder folder("kelvara-record-dest");
  const std::string dir = folder.path();
  kelvara::testing::WriteFile(dir + "/run_20261211-040506.kvrec", "x");
  struct Case {
    std::string folder, file_name, contains;
  };
  const Case cases[] = {
      {"", "run", "folder field is empty"},
      {dir + "/missing", "run", "does not exist"},
      {dir, std::string(240, 'n'), "recording's name would have 262 characters"},
      {dir, std::string(250, 'n'), "too long"},
      {dir, "run", "exists already"},
  };
  const std::time_t when = LocalTime(2026, 12, 11, 4, 5, 6);
  for (const Case& c : cases) {
    const std::string refusal = RefuseRecording(c.folder, c.file_name, RecordingPath(c.folder, c.file_name, when));
    EXPECT_NE(refusal.find(c.contains), std::string::npos) << c.folder << " " << c.file_name << ": " << refusal;
  }
  EXPECT_EQ(RefuseRecording(dir, "run", RecordingPath(dir, "run", when + 1)), "");
}

}  // namespace
}  // namespace kelvara
