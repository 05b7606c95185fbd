#include "config/profile_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <string>
#include <thread>

#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    path_ = dir_ + "/Kelvara.ini";
    IniSetFilePath(path_);
  }

  std::string Content() { return kelvara::testing::ReadFile(path_); }
  void SetContent(const std::string& s) { kelvara::testing::WriteFile(path_, s); }
  std::string ReadString(const char* section, const char* key, const char* def = "dflt") {
    std::string v = "unset";
    EXPECT_EQ(IniReadString(section, key, def, &v), 0);
    return v;
  }
  int ReadInt(const char* section, const char* key, int def) {
    int v = -999;
    EXPECT_EQ(IniReadInt(section, key, def, &v), 0);
    return v;
  }

  kelvara::testing::TempFolder folder_{"kelvara-profile"};
  std::string dir_, path_;
};

TEST_F(ProfileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
  EXPECT_EQ(ReadString("Logging", "FileName", ""), "");
  EXPECT_EQ(ReadInt("View", "RangeMax", 6250), 6250);
  EXPECT_EQ(ReadInt("Logging", "BINCheck", 1), 1);
  EXPECT_EQ(IniWriteInt("View", "RangeMin", -5), 0);
  EXPECT_EQ(Content(), "[View]\r\nRangeMin=-5\r\n");
  EXPECT_EQ(ReadInt("View", "RangeMin", 0), -5);
}

TEST_F(ProfileTest, WritesKeepOtherLinesAndReplaceOrAddKeys) {
  SetContent("; kept comment\r\n[Application]\r\nCOMPortName=COM3\r\n\r\n[View]\r\nRangeMax=6250\r\n");
  ASSERT_EQ(IniWriteString("application", "comportname", "COM7"), 0);
  ASSERT_EQ(IniWriteString("Application", "Other", "x"), 0);
  ASSERT_EQ(IniWriteString("3D", "DistanceRatio", "1.0"), 0);
  EXPECT_EQ(Content(),
            "; kept comment\r\n[Application]\r\nCOMPortName=COM7\r\nOther=x\r\n\r\n"
            "[View]\r\nRangeMax=6250\r\n[3D]\r\nDistanceRatio=1.0\r\n");
  EXPECT_EQ(ReadString("APPLICATION", "COMPORTNAME"), "COM7");
  EXPECT_EQ(ReadString("View", "Missing"), "dflt");
  EXPECT_EQ(ReadString("Nowhere", "RangeMax"), "dflt");
}

TEST_F(ProfileTest, LeadingIntegerRuleAndValueCut) {
  const std::string long_value(600, 'p');
  SetContent(
      "[View]\nRangeMax=abc\nRangeMin=  -12x\nAmpGain=+7\n[Logging]\nTotalNumberOfLogs=12x\n"
      "SavePath=" +
      long_value + "\nFileName = spaced name  \n");
  EXPECT_EQ(ReadInt("View", "RangeMax", 6250), 0);
  EXPECT_EQ(ReadInt("View", "RangeMin", 0), -12);
  EXPECT_EQ(ReadInt("View", "AmpGain", 1), 7);
  EXPECT_EQ(ReadInt("Logging", "TotalNumberOfLogs", 10), 12);
  EXPECT_EQ(ReadString("Logging", "SavePath"), long_value.substr(0, 511));
  EXPECT_EQ(ReadString("Logging", "FileName"), "spaced name");
  EXPECT_EQ(ParseLeadingInt("99999999999"), 2147483647);
  EXPECT_EQ(ParseLeadingInt("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(ParseLeadingInt(""), 0);
}

TEST_F(ProfileTest, RefusedWritesLeaveTheFileAsItWas) {
  SetContent("[View]\r\nRangeMax=6250\r\n");
  EXPECT_EQ(IniWriteString("Logging", "FileName", "a\r\n[View]\r\nRangeMax=1"), -1);
  EXPECT_EQ(Content(), "[View]\r\nRangeMax=6250\r\n");

  IniSetFilePath(dir_ + "/missing-folder/Kelvara.ini");
  EXPECT_EQ(IniWriteInt("View", "RangeMax", 1), -1);
  IniSetFilePath(path_);
}

TEST_F(ProfileTest, ConcurrentWritersLoseNoKey) {
  auto writer = [](const char* key) {
    for (int i = 0; i < 50; ++i) IniWriteInt("3D", key, i);
  };
  std::thread a(writer, "UpdateInterval"), b(writer, "Other");
  a.join();
  b.join();
  EXPECT_EQ(ReadInt("3D", "UpdateInterval", 0), 49);
  EXPECT_EQ(ReadInt("3D", "Other", 0), 49);
}

}  // namespace
}  // namespace kelvara
