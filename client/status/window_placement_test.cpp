#include "status/window_placement.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

constexpr int kPictureWidth = 510, kPictureHeight = 325;

struct Screen {
  const char* name;
  ScreenRect area;   // available area (screen without the panel)
  int dialog_width;  // the dialog's frame
  int dialog_height;
  const char* where;  // expected place of the picture window
  int picture_width;  // its width there
};

// Where a picture window lies relative to the dialog.
const char* Where(const ScreenRect& picture, const ScreenRect& dialog) {
  if (picture.x >= dialog.Right()) return "right";
  if (picture.Right() <= dialog.x) return "left";
  if (picture.y >= dialog.Bottom()) return "below";
  return "over";
}

class PlacementTest : public ::testing::TestWithParam<Screen> {};

TEST_P(PlacementTest, BothWindowsInsideTheAreaAndTheButtonsClear) {
  const Screen& s = GetParam();
  const ScreenRect dialog =
      PlaceDialog(s.area, s.dialog_width, s.dialog_height, kPictureWidth, kPictureHeight, nullptr);
  EXPECT_TRUE(s.area.Contains(dialog));
  // The panels as the dialog lays them out: settings bottom left, the View
  // panel's buttons in the right column's upper half.
  const ScreenRect settings{dialog.x + 8, dialog.y + 150, dialog.width / 2 - 16, dialog.height - 160};
  const ScreenRect buttons{dialog.x + dialog.width / 2 + 8, dialog.y + 40, dialog.width / 2 - 16, 60};
  const ScreenRect picture = PlaceBeside(s.area, dialog, settings, buttons, kPictureWidth, kPictureHeight, nullptr);
  EXPECT_TRUE(s.area.Contains(picture)) << s.name;
  EXPECT_FALSE(picture.Intersects(buttons)) << s.name;
  EXPECT_EQ(picture.width, s.picture_width);
  EXPECT_STREQ(Where(picture, dialog), s.where) << s.name;
}

INSTANTIATE_TEST_SUITE_P(Screens, PlacementTest,
                         ::testing::Values(Screen{"1920x1080", {0, 0, 1920, 1050}, 760, 560, "right", 510},
                                           Screen{"1366x768", {0, 0, 1366, 740}, 760, 560, "right", 510},
                                           Screen{"1366x768 flat dialog", {0, 0, 1366, 740}, 900, 380, "below", 510},
                                           Screen{"1366x768 client dialog", {0, 0, 1366, 740}, 910, 660, "right", 456},
                                           Screen{"1024x768", {0, 0, 1024, 740}, 760, 560, "over", 510},
                                           Screen{"second screen", {1920, 0, 1366, 768}, 760, 560, "right", 510},
                                           Screen{"panel on the left", {64, 27, 1302, 741}, 760, 560, "right", 510}),
                         [](const ::testing::TestParamInfo<Screen>& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c)
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           return name;
                         });

TEST(PlacementTest, ASavedPlaceIsKeptOnlyWhenItLiesInsideAndClear) {
  const ScreenRect area{0, 0, 1366, 740};
  const ScreenRect dialog{0, 90, 760, 560};
  const ScreenRect settings{8, 240, 364, 400};
  const ScreenRect buttons{388, 130, 364, 60};
  const ScreenRect inside{800, 300, kPictureWidth, kPictureHeight};
  EXPECT_EQ(PlaceBeside(area, dialog, settings, buttons, kPictureWidth, kPictureHeight, &inside), inside);
  // Saved on a bigger screen, or over the buttons: placed afresh.
  for (const ScreenRect& saved :
       {ScreenRect{1500, 700, kPictureWidth, kPictureHeight}, ScreenRect{400, 100, kPictureWidth, kPictureHeight}}) {
    const ScreenRect placed = PlaceBeside(area, dialog, settings, buttons, kPictureWidth, kPictureHeight, &saved);
    EXPECT_EQ(placed, (ScreenRect{760, 90, kPictureWidth, kPictureHeight}));
  }
  const ScreenRect dialog_saved{1200, 0, 760, 560};
  EXPECT_TRUE(area.Contains(PlaceDialog(area, 760, 560, kPictureWidth, kPictureHeight, &dialog_saved)));
}

// The 3D viewer opens at half the screen (683 x 384 on a 1366 x 768 one);
// beside the client's dialog it fits only narrower, and must then be
// resized, not only moved, to lie inside the screen.
TEST(PlacementTest, TheViewerBesideTheDialogLiesInsideTheScreen) {
  const ScreenRect area{0, 0, 1366, 768};
  const ScreenRect dialog{0, 0, 910, 660};
  const ScreenRect settings{8, 90, 440, 540};
  const ScreenRect buttons{465, 40, 420, 30};
  const ScreenRect viewer = PlaceBeside(area, dialog, settings, buttons, 683, 384, nullptr);
  EXPECT_TRUE(area.Contains(viewer));
  EXPECT_FALSE(viewer.Intersects(buttons));
  EXPECT_FALSE(viewer.Intersects(dialog));
  EXPECT_EQ(viewer.width, 456);
  EXPECT_EQ(viewer.height, 384 * 456 / 683);
}

TEST(PlacementTest, AWindowLargerThanTheAreaShrinksToIt) {
  const ScreenRect area{0, 0, 800, 600};
  EXPECT_EQ(KeepInside({-50, 500, 1000, 300}, area), (ScreenRect{0, 300, 800, 300}));
  EXPECT_EQ(KeepInside({100, 100, 200, 900}, area), (ScreenRect{100, 0, 200, 600}));
}

}  // namespace
}  // namespace kelvara
