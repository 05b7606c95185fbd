#include "trends/distance_histogram.h"

#include <gtest/gtest.h>

#include <vector>

#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace {

TEST(DistanceHistogramTest, CountsValidDistancesIntoBins) {
  const std::vector<int16_t> words = {0,    99,    100,  250, 999, -5, DIST_NO_DATA, DIST_SATURATION, DIST_OVERFLOW,
                                      1000, 12499, 12500};
  DistanceHistogram h;
  ComputeDistanceHistogram(words.data(), static_cast<int>(words.size()), 1000, 10, &h);
  EXPECT_EQ(h.limit, 1000);
  // Bins of 100 mm: 0 and 99 in bin 0, 100 in bin 1, 250 in bin 2, 999 in
  // bin 9; the codes, the negative word and everything from the limit on
  // are left out.
  EXPECT_EQ(h.counts, (std::vector<int>{2, 1, 1, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(h.valid, 5);
  EXPECT_EQ(h.peak, 2);

  // The full measuring range; the same storage is used again.
  ComputeDistanceHistogram(words.data(), static_cast<int>(words.size()), kDistanceLimitMm, 125, &h);
  EXPECT_EQ(h.counts.size(), 125u);
  EXPECT_EQ(h.valid, 7);
  EXPECT_EQ(h.counts[0], 2);    // 0, 99
  EXPECT_EQ(h.counts[1], 1);    // 100
  EXPECT_EQ(h.counts[9], 1);    // 999
  EXPECT_EQ(h.counts[124], 1);  // 12499
}

TEST(DistanceHistogramTest, BinsTooFineForSmallArithmetic) {
  // 200000 bins over 12500 mm: 16 bins a millimetre.
  const std::vector<int16_t> words = {0, 6250, 12499, -1, 12500};
  DistanceHistogram h;
  ComputeDistanceHistogram(words.data(), 5, 12500, 200000, &h);
  EXPECT_EQ(h.valid, 3);
  EXPECT_EQ(h.counts[0], 1);
  EXPECT_EQ(h.counts[100000], 1);
  EXPECT_EQ(h.counts[199984], 1);
}

TEST(DistanceHistogramTest, NoDistancesGiveEmptyBins) {
  const std::vector<int16_t> words(100, DIST_NO_DATA);
  DistanceHistogram h;
  ComputeDistanceHistogram(words.data(), 100, kDistanceLimitMm, 50, &h);
  EXPECT_EQ(h.valid, 0);
  EXPECT_EQ(h.peak, 0);
  EXPECT_EQ(h.counts, std::vector<int>(50, 0));
}

TEST(DistanceHistogramTest, MarkersAndColumnsMapBothWays) {
  struct Case {
    int mm;
    int column;
  };
  // 12500 mm over 501 columns: 25 mm a column.
  const Case cases[] = {{0, 0}, {25, 1}, {6250, 250}, {12500, 500}, {-10, 0}, {20000, 500}};
  for (const Case& c : cases) EXPECT_EQ(MarkerColumn(c.mm, 12500, 501), c.column) << c.mm;
  for (const Case& c : cases) {
    if (c.mm >= 0 && c.mm <= 12500) {
      EXPECT_EQ(DistanceAtColumn(c.column, 12500, 501), c.mm) << c.column;
    }
  }
  EXPECT_EQ(DistanceAtColumn(-3, 12500, 501), 0);
  EXPECT_EQ(DistanceAtColumn(900, 12500, 501), 12500);
}

TEST(DistanceHistogramTest, DraggingAMarkerKeepsTheRangeOrdered) {
  struct Case {
    ViewRange before;
    bool maximum;
    int mm;
    ViewRange after;
  };
  const Case cases[] = {
      {{500, 3000}, false, 800, {800, 3000}},   {{500, 3000}, true, 2000, {500, 2000}},
      {{500, 3000}, false, 5000, {2999, 3000}},  // the minimum stops below the maximum
      {{500, 3000}, true, 100, {500, 501}},      // the maximum stops above the minimum
      {{500, 3000}, false, -40, {0, 3000}},     {{500, 3000}, true, 20000, {500, 12500}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DragMarker(c.before, c.maximum, c.mm, 12500), c.after) << c.mm;
  }
}

TEST(DistanceHistogramTest, CentreDistanceOfTheReadout) {
  EXPECT_EQ(CentreDistanceOfReadout("  812 mm"), 812);
  EXPECT_EQ(CentreDistanceOfReadout("12499 mm"), 12499);
  EXPECT_EQ(CentreDistanceOfReadout("- - mm"), std::nullopt);
  EXPECT_EQ(CentreDistanceOfReadout("  200"), std::nullopt);  // an amplitude
  EXPECT_EQ(CentreDistanceOfReadout("- - "), std::nullopt);
  EXPECT_EQ(CentreDistanceOfReadout(""), std::nullopt);
}

}  // namespace
}  // namespace kelvara
