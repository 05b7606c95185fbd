#pragma once
// The integer square root by bisection: a reference for the decode tests
// that does not depend on floating point.
#include <cstdint>

namespace kelvara {

inline int64_t IntegerSqrtReference(int64_t n) {
  int64_t lo = 0, hi = 1 << 17;
  while (lo < hi) {
    const int64_t mid = (lo + hi + 1) / 2;
    if (mid * mid <= n) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

}  // namespace kelvara
