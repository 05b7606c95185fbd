#include "logging/logging_options.h"

#include <gtest/gtest.h>

#include <string>

#include "logging/log_writer.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

class LoggingOptionsTest : public ::testing::Test {
 protected:
  kelvara::testing::TempFolder folder_{"kelvara-logging-options"};
  Profile profile_{folder_.path() + "/Kelvara.ini"};
};

TEST_F(LoggingOptionsTest, AMissingProfileGivesTheDefaultsAndSavedOptionsComeBack) {
  const LoggingOptions defaults = LoggingOptions::Load(profile_);
  EXPECT_FALSE(defaults.csv);
  EXPECT_FALSE(defaults.png);
  EXPECT_TRUE(defaults.bin);
  EXPECT_TRUE(defaults.pcd);
  EXPECT_EQ(defaults.schedule.total, 10);
  EXPECT_EQ(defaults.schedule.once, 1);
  EXPECT_EQ(defaults.schedule.interval, 0);
  EXPECT_EQ(defaults.file_name, "");

  LoggingOptions o;
  o.csv = true;
  o.bin = false;
  o.schedule = {25, 5, 3};
  o.file_name = "run";
  o.save_path = "/data/logs";
  ASSERT_TRUE(o.Save(profile_));
  const std::string ini = kelvara::testing::ReadFile(profile_.path());
  EXPECT_NE(ini.find("[Logging]\r\nCSVCheck=1\r\nPNGCheck=0\r\nBINCheck=0\r\n"), std::string::npos) << ini;
  const LoggingOptions back = LoggingOptions::Load(profile_);
  EXPECT_TRUE(back.csv);
  EXPECT_FALSE(back.bin);
  EXPECT_EQ(back.schedule.total, 25);
  EXPECT_EQ(back.schedule.once, 5);
  EXPECT_EQ(back.schedule.interval, 3);
  EXPECT_EQ(back.file_name, "run");
  EXPECT_EQ(back.save_path, "/data/logs");
}

TEST_F(LoggingOptionsTest, ASaveWithoutAProfileFails) {
  Profile nowhere("");
  EXPECT_FALSE(LoggingOptions().Save(nowhere));
  Profile unwritable(folder_.path() + "/missing/Kelvara.ini");
  EXPECT_FALSE(LoggingOptions().Save(unwritable));
}

TEST(LoggingOptionsValidateTest, TheFirstRefusedValueGivesItsMessage) {
  const struct {
    LogSchedule schedule;
    const char* name;
    const char* message;
  } cases[] = {
      {{10, 1, 0}, "run", ""},
      {{999999, 999999, 999999}, "a.b", ""},
      {{0, 1, 0}, "run", "Please input number in 1-999999 range."},
      {{1000000, 1, 0}, "run", "Please input number in 1-999999 range."},
      {{10, 0, 0}, "run", "Please input number in 1-999999 range."},
      {{10, 1, -1}, "run", "Please input number in 0-999999 range."},
      {{10, 1, 0}, "a/b", "Invalid file name!! [ a/b ]"},
      {{10, 1, 0}, "..", "Invalid file name!! [ .. ]"},
      {{10, 1, 0}, "a\\b", "Invalid file name!! [ a\\b ]"},
      {{10, 1, 0}, "tab\there", "Invalid file name!! [ tab\there ]"},
  };
  for (const auto& c : cases) {
    LoggingOptions o;
    o.schedule = c.schedule;
    o.file_name = c.name;
    EXPECT_EQ(o.Validate(), c.message) << c.name << " " << c.schedule.total;
  }
}

TEST(LoggingOptionsApplyTest, TheWriterGetsTheFileTypesAndTheSchedule) {
  LoggingOptions o;
  o.csv = true;
  o.png = true;
  o.bin = false;
  o.pcd = false;
  o.schedule = {7, 2, 1};
  LogWriter writer;
  o.ApplyTo(writer);
  EXPECT_TRUE(writer.CsvCheck());
  EXPECT_TRUE(writer.PngCheck());
  EXPECT_FALSE(writer.BinCheck());
  EXPECT_FALSE(writer.PcdCheck());
  EXPECT_EQ(writer.Schedule().total, 7);
  EXPECT_EQ(writer.Schedule().once, 2);
  EXPECT_EQ(writer.Schedule().interval, 1);
}

}  // namespace
}  // namespace kelvara
