// Fault options: which result requests are spoiled, and how.
#include "camsim/fault_plan.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvara {
namespace camsim {
namespace {

std::string Sequence(FaultOptions o, int n) {
  FaultPlan plan(o);
  std::string s;
  for (int i = 0; i < n; ++i) {
    switch (plan.NextResult()) {
      case Fault::kNone: s += '.'; break;
      case Fault::kDrop: s += 'D'; break;
      case Fault::kCorrupt: s += 'C'; break;
      case Fault::kTruncate: s += 'T'; break;
    }
  }
  return s;
}

TEST(FaultPlan, EveryNthResultAndDropBeforeCorruptBeforeTruncate) {
  EXPECT_EQ(Sequence({}, 6), "......");
  EXPECT_EQ(Sequence({3, 0, 0, 1}, 7), "..D..D.");
  EXPECT_EQ(Sequence({0, 2, 0, 1}, 5), ".C.C.");
  EXPECT_EQ(Sequence({0, 0, 1, 1}, 3), "TTT");
  EXPECT_EQ(Sequence({4, 2, 3, 1}, 12), ".CTD.C.DTC.D");
}

TEST(FaultPlan, WrongStartBytesAndShortLengthsStayInBoundsAndFollowTheSeed) {
  FaultPlan a({0, 1, 1, 7}), b({0, 1, 1, 7}), c({0, 1, 1, 8});
  bool differs = false;
  for (int i = 0; i < 2000; ++i) {
    const unsigned char x = a.WrongStartByte();
    EXPECT_NE(x, 0xFE);
    EXPECT_EQ(x, b.WrongStartByte());
    differs |= x != c.WrongStartByte();
    const size_t n = a.TruncatedLength(614656);
    EXPECT_LT(n, 614656u);
    EXPECT_EQ(n, b.TruncatedLength(614656));
    c.TruncatedLength(614656);
  }
  EXPECT_TRUE(differs);
  EXPECT_EQ(a.TruncatedLength(0), 0u);
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
