#include "display/distance_percentiles.h"

#include <algorithm>
#include <vector>

namespace kelvara {

std::optional<DistanceRange> PercentileRange(const int16_t* words, int count, double low, double high, int limit) {
  std::vector<int16_t> distances;
  distances.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (words[i] >= 0 && words[i] <= 16383) distances.push_back(words[i]);
  }
  if (distances.empty()) return std::nullopt;
  auto at = [&](double fraction) {
    const size_t k =
        std::min(distances.size() - 1, static_cast<size_t>(fraction * static_cast<double>(distances.size() - 1) + 0.5));
    std::nth_element(distances.begin(), distances.begin() + static_cast<std::ptrdiff_t>(k), distances.end());
    return static_cast<int>(distances[k]);
  };
  DistanceRange range;
  range.minimum = std::clamp(at(low), 0, limit - 1);
  range.maximum = std::clamp(at(high), range.minimum + 1, limit);
  return range;
}

}  // namespace kelvara
