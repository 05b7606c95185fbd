#include "trends/distance_histogram.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace kelvara {

void ComputeDistanceHistogram(const int16_t* words, int count, int limit, int bins, DistanceHistogram* out) {
  out->limit = limit;
  out->counts.assign(static_cast<size_t>(std::max(bins, 1)), 0);
  out->valid = 0;
  out->peak = 0;
  if (limit <= 0) return;
  const int64_t n = static_cast<int64_t>(out->counts.size());
  int* counts = out->counts.data();
  int valid = 0;
  if (n * limit <= INT32_MAX) {
    // The usual case (a few hundred bins over the measuring range): 32-bit
    // arithmetic, noticeably faster per pixel.
    const uint32_t bins32 = static_cast<uint32_t>(n), limit32 = static_cast<uint32_t>(limit);
    for (int i = 0; i < count; ++i) {
      const uint32_t d = static_cast<uint32_t>(static_cast<int32_t>(words[i]));  // negatives become huge
      if (d >= limit32) continue;
      ++counts[d * bins32 / limit32];
      ++valid;
    }
  } else {
    for (int i = 0; i < count; ++i) {
      const int d = words[i];
      if (d < 0 || d >= limit) continue;
      ++counts[static_cast<int64_t>(d) * n / limit];
      ++valid;
    }
  }
  out->valid = valid;
  out->peak = *std::max_element(out->counts.begin(), out->counts.end());
}

int MarkerColumn(int mm, int limit, int width) {
  if (limit <= 0 || width <= 1) return 0;
  const int64_t clamped = std::clamp(mm, 0, limit);
  return static_cast<int>((clamped * (width - 1) + limit / 2) / limit);
}

int DistanceAtColumn(int x, int limit, int width) {
  if (limit <= 0 || width <= 1) return 0;
  const int64_t clamped = std::clamp(x, 0, width - 1);
  return static_cast<int>((clamped * limit + (width - 1) / 2) / (width - 1));
}

ViewRange DragMarker(ViewRange range, bool maximum_marker, int mm, int limit) {
  if (maximum_marker) {
    range.maximum = std::clamp(mm, std::min(range.minimum + 1, limit), limit);
  } else {
    range.minimum = std::clamp(mm, 0, std::max(range.maximum - 1, 0));
  }
  return range;
}

std::optional<int> CentreDistanceOfReadout(const std::string& text) {
  const size_t unit = text.rfind(" mm");
  if (unit == std::string::npos || unit + 3 != text.size()) return std::nullopt;
  const std::string number = text.substr(0, unit);
  char* end = nullptr;
  const long value = std::strtol(number.c_str(), &end, 10);
  if (end == number.c_str() || *end != '\0') return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace kelvara
