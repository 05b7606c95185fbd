#pragma once
// The displayed distance of every point record of a point frame.
#include <cstdint>

namespace kelvara {

// The displayed distance of one point record: the integer square root of
// x*x + y*y + z*z when x lies in -12499..12499, otherwise x itself (a sample
// code). A distance above 32767 mm, which only out-of-range y or z can give,
// is held at 32767 (invalid) instead of wrapping to a negative word.
int16_t PointDistance(int16_t x, int16_t y, int16_t z);

// Ways of computing many distances; all give the same results.
enum class DistanceKernel {
  kPortable,  // one record at a time, in double precision
  kSse41,     // eight records at a time (x86 with SSE4.1)
};

// The fastest kernel this processor runs.
DistanceKernel BestDistanceKernel();

// Writes PointDistance of `count` consecutive 6-byte records (x, y, z,
// little-endian) to `out`. `count` is a multiple of 8. A kernel the processor
// lacks falls back to the portable one.
void ComputePointDistances(DistanceKernel kernel, const unsigned char* records, int count, int16_t* out);

}  // namespace kelvara
