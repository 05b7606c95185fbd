#include "feed3d/angle_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "camsim/pattern_scene.h"
#include "config/testing/temp_program_folder.h"
#include "testing/test_files.h"
#include "viewer/angle_table.h"

namespace kelvara {
namespace {

using testing::ReadFile;
using testing::TempProgramFolder;

std::string Printed(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%f", v);
  return text;
}

TEST(AngleFile, RawThetaValuesPrintAsDegrees) {
  const struct {
    uint16_t raw;
    const char* text;
  } cases[] = {{0, "0.000000"},      {12, "0.263672"},       {2048, "45.000000"},   {4095, "89.978027"},
               {4096, "180.000000"}, {0xF000, "180.000000"}, {0x8001, "180.000000"}};
  for (const auto& c : cases) EXPECT_EQ(Printed(ThetaDegrees(c.raw)), c.text) << c.raw;
}

ThetaPhiTable PatternTable() {
  ThetaPhiTable table;
  for (int r = 0; r < 240; ++r) {
    for (int c = 0; c < 320; ++c) {
      table.theta.push_back(pattern::Theta(r, c));
      table.phi.push_back(pattern::Phi(r, c));
    }
  }
  return table;
}

// The pattern scene's table: T(r, c) = 12 (|r - 119| + |c - 159|), with
// T(0, 0) = 0xF000 and T(239, 319) = 4096, as the test data defines it.
TEST(AngleFile, WritesTheThetaPlaneAsRowsOfDegrees) {
  TempProgramFolder folder;
  const std::string path = folder.path() + "3d_data/angle.csv";
  ASSERT_TRUE(WriteAngleFile(path, PatternTable()));

  std::string expected;
  for (int r = 0; r < 240; ++r) {
    for (int c = 0; c < 320; ++c) {
      int raw = 12 * (std::abs(r - 119) + std::abs(c - 159));
      double degrees = raw * 90.0 / 4096;
      if ((r == 0 && c == 0) || (r == 239 && c == 319)) degrees = 180.0;
      expected += Printed(degrees) + (c < 319 ? "," : "\r\n");
    }
  }
  const std::string written = ReadFile(path);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(written.compare(0, 11, "180.000000,"), 0);

  // The viewer reads it back as a complete table, centred on (159, 119).
  viewer::AngleTable table = viewer::readAngleTable(path, 320);
  ASSERT_EQ(table.rows(), 240);
  EXPECT_EQ(table.at(119, 160), 0.263672f);
  viewer::OpticalCenter center{0, 0};
  viewer::findOpticalCenter(table, &center);
  EXPECT_EQ(center.cx, 159);
  EXPECT_EQ(center.cy, 119);
}

TEST(AngleFile, FailuresAreReported) {
  TempProgramFolder folder;
  EXPECT_FALSE(WriteAngleFile(folder.path() + "missing/angle.csv", PatternTable()));
  ThetaPhiTable short_table;
  short_table.theta.assign(100, 0);
  EXPECT_FALSE(WriteAngleFile(folder.path() + "3d_data/angle.csv", short_table));
  // A full disk: the failed write is reported.
  EXPECT_FALSE(WriteAngleFile("/dev/full", PatternTable()));
}

}  // namespace
}  // namespace kelvara
