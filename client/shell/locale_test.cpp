// Numbers keep a decimal point under a locale with a decimal comma. Run
// twice by ctest: plainly and with LANG=de_DE.UTF-8, where the application
// object must undo what QApplication does to the C library's locale.
#include <gtest/gtest.h>
#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "config/profile_store.h"
#include "config/testing/temp_program_folder.h"
#include "feed3d/angle_file.h"
#include "frame/frame_layout.h"
#include "shell/kelvara_app.h"

namespace kelvara {
namespace {

std::string Printed(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

TEST(LocaleTest, FilesAndMessagesUseADecimalPoint) {
  const char* lang = std::getenv("LC_ALL");
  const bool comma_locale = lang && std::string(lang).rfind("de_DE", 0) == 0;
  if (comma_locale) {
    // QApplication has switched the numeric locale to the user's: the fault
    // this guards against is real in this environment.
    ASSERT_EQ(Printed("%.1f", 1.5), "1,5") << "is the de_DE locale installed (locales-all)?";
  }
  KeepNumericLocaleNeutral();

  EXPECT_EQ(Printed("%.9g", 1.5), "1.5");              // the ratio message "4,1.5"
  EXPECT_DOUBLE_EQ(std::strtod("1.5", nullptr), 1.5);  // the profile's "DistanceRatio"

  testing::TempProgramFolder folder;
  ThetaPhiTable table;
  table.theta.assign(kFrameWidth * kFrameHeight, 2048);  // 45 degrees
  table.phi.assign(kFrameWidth * kFrameHeight, 0);
  const std::string path = folder.path() + "angle.csv";
  ASSERT_TRUE(WriteAngleFile(path, table));
  std::ifstream in(path);
  std::string first;
  std::getline(in, first, ',');
  EXPECT_EQ(first, "45.000000");

  IniWriteString("3D", "DistanceRatio", "1.5");
  std::string ratio;
  IniReadString("3D", "DistanceRatio", "1.0", &ratio);
  EXPECT_DOUBLE_EQ(std::strtod(ratio.c_str(), nullptr), 1.5);
}

}  // namespace
}  // namespace kelvara
