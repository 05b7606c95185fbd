#include "viewer/view_settings.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace viewer {
namespace {

TEST(ViewOptions, MinAndMaxFromTheCommandLine) {
  const struct {
    std::vector<std::string> args;
    int min;
    int max;
  } cases[] = {
      {{}, 0, 12500},
      {{"-min", "500", "-max", "4000"}, 500, 4000},
      {{"-min", "100", "-min", "200"}, 100, 12500},
      {{"-min", "20000"}, 0, 12500},
      {{"-min", "-5"}, 0, 12500},
      {{"-max", "abc"}, 0, 0},
      {{"-max", "3000", "-min"}, 0, 3000},
      {{"-min", "5000", "-max", "100"}, 5000, 100},
      {{"-min", " 42xyz", "other", "-MAX", "7"}, 42, 12500},
      {{"-min", "-max", "4000"}, 0, 4000},  // "-max" reads as 0 for -min
      {{"-min", "12500", "-max", "0"}, 12500, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    ViewSettings s = parseViewOptions(c.args);
    EXPECT_EQ(s.rangeMin, c.min);
    EXPECT_EQ(s.rangeMax, c.max);
    EXPECT_EQ(s.colorMin, 0);
    EXPECT_EQ(s.colorMax, 12500);
    EXPECT_EQ(s.ratio, 1.0f);
  }
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
