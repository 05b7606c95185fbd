#include "display/view_options.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

TEST(ViewOptionsTest, DefaultsThenTheSavedValuesComeBack) {
  kelvara::testing::TempFolder folder("kelvara-view-options");
  Profile profile(folder.path() + "/Kelvara.ini");
  const ViewOptions defaults = ViewOptions::Load(profile);
  EXPECT_FALSE(defaults.horizontal_flip);
  EXPECT_FALSE(defaults.vertical_flip);
  EXPECT_EQ(defaults.range_min, 0);
  EXPECT_EQ(defaults.range_max, 6250);
  EXPECT_FALSE(defaults.MirrorX());
  EXPECT_TRUE(defaults.MirrorY()) << "rows are reversed unless Vertical flip is on";

  ViewOptions o;
  o.horizontal_flip = true;
  o.vertical_flip = true;
  o.range_min = 300;
  o.range_max = 4000;
  ASSERT_TRUE(o.Save(profile));
  EXPECT_EQ(kelvara::testing::ReadFile(profile.path()),
            "[View]\r\nHorizontalFlip=1\r\nVerticalFlip=1\r\nRangeMax=4000\r\nRangeMin=300\r\n");
  const ViewOptions back = ViewOptions::Load(profile);
  EXPECT_TRUE(back.MirrorX());
  EXPECT_FALSE(back.MirrorY());
  EXPECT_EQ(back.range_min, 300);
  EXPECT_EQ(back.range_max, 4000);
  Profile nowhere("");
  EXPECT_FALSE(o.Save(nowhere));
}

TEST(ViewOptionsTest, TheFirstRefusedValueGivesItsMessage) {
  const struct {
    int min, max;
    const char* message;
  } cases[] = {
      {0, 6250, ""},
      {12499, 12500, ""},
      {0, 12501, "Please input number in 1-12500 range."},
      {500, 500, "Please input number in 501-12500 range."},
      {-1, 100, "Please input number in 0-99 range."},
  };
  for (const auto& c : cases) {
    ViewOptions o;
    o.range_min = c.min;
    o.range_max = c.max;
    EXPECT_EQ(o.Validate(), c.message) << c.min << ".." << c.max;
  }
}

}  // namespace
}  // namespace kelvara
