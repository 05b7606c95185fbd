#pragma once
// The histogram of a frame's valid distances and the view range's markers
// on it. No Qt; the histogram window draws what this computes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

struct DistanceHistogram {
  int limit = 0;            // mm: the bins cover 0 .. limit - 1
  std::vector<int> counts;  // one per bin, bin i from i * limit / bins
  int valid = 0;            // distances counted
  int peak = 0;             // the highest count
};

// Counts the distances among `count` words into `bins` equal bins over
// 0 .. limit - 1 (a distance d falls in bin d * bins / limit). Words outside
// 0 .. limit - 1 (the no-data, saturation and overflow codes, negative
// values) are left out. Reuses `out`'s storage: no allocation per frame.
void ComputeDistanceHistogram(const int16_t* words, int count, int limit, int bins, DistanceHistogram* out);

// The view range's markers on a histogram drawn `width` pixels wide: the
// pixel column of `mm`, and the distance at pixel column `x` (within
// 0 .. limit).
int MarkerColumn(int mm, int limit, int width);
int DistanceAtColumn(int x, int limit, int width);

struct ViewRange {
  int minimum = 0;
  int maximum = 0;
  bool operator==(const ViewRange& o) const { return minimum == o.minimum && maximum == o.maximum; }
};

// The range after the minimum (or maximum) marker is dragged to `mm`: kept
// within 0 .. limit and at least 1 mm apart from the other marker, which
// does not move.
ViewRange DragMarker(ViewRange range, bool maximum_marker, int mm, int limit);

// The centre distance in mm from the centre readout text ("  812 mm");
// none for "- - mm" and for an amplitude format's readout.
std::optional<int> CentreDistanceOfReadout(const std::string& text);

}  // namespace kelvara
