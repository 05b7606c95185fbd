#include "display/centre_readout.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(CentreReadout, TextsByFormatAndValue) {
  struct Case {
    int format, value;
    const char* text;
  };
  const Case cases[] = {
      {0, 255, "  255"},      {0, 256, "- - "},      {0, 0, "    0"},      {0, -5, "   -5"},   {0, 30000, "- - "},
      {1, 12499, "12499 mm"}, {1, 12500, "- - mm"},  {1, 30000, "- - mm"}, {4, 0, "    0 mm"}, {5, -12500, "-12500 mm"},
      {6, -1, "   -1 mm"},    {2, 2463, " 2463 mm"}, {3, 12500, "- - mm"},
  };
  for (const Case& k : cases) EXPECT_EQ(CentreReadout(k.format, k.value), k.text) << k.format << ", " << k.value;
}

}  // namespace
}  // namespace kelvara
