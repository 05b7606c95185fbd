#pragma once
// The view range that fits a picture: the low and high percentiles of its
// valid distances. No Qt.
#include <cstdint>
#include <optional>

namespace kelvara {

struct DistanceRange {
  int minimum = 0;  // mm
  int maximum = 0;  // mm, above minimum
};

// The `low` and `high` percentiles (fractions, 0.02 and 0.98 for "Auto
// range") of the distances among `count` distance words: words 0 to 16383,
// the codes and flagged values left out. The result lies within 0 ..
// `limit` with maximum > minimum; none when no word is a distance.
std::optional<DistanceRange> PercentileRange(const int16_t* words, int count, double low, double high, int limit);

}  // namespace kelvara
