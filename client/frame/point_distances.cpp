#include "frame/point_distances.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "camera_facts/frame_geometry.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KELVARA_HAVE_SSE41_KERNEL 1
#endif

namespace kelvara {
namespace {

constexpr int kMaxCoordinate = kMaxDistanceMm;
constexpr int kRecordBytes = kPointRecordBytes;

int16_t Load16(const unsigned char* p) {
  int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline int16_t Distance(int16_t x, int16_t y, int16_t z) {
  if (x < -kMaxCoordinate || x > kMaxCoordinate) return x;
  // Squares and sum are exact in double; the correctly rounded root truncates
  // to the integer square root.
  const double ay = std::abs(static_cast<int>(y));
  const double ax = std::abs(static_cast<int>(x));
  const double az = std::abs(static_cast<int>(z));
  const double root = std::sqrt(ay * ay + ax * ax + az * az);
  return root >= 32767.0 ? int16_t{32767} : static_cast<int16_t>(root);
}

void PortableDistances(const unsigned char* records, int count, int16_t* out) {
  for (int i = 0; i < count; ++i, records += kRecordBytes)
    out[i] = Distance(Load16(records), Load16(records + 2), Load16(records + 4));
}

#ifdef KELVARA_HAVE_SSE41_KERNEL

// Byte shuffles that gather field f (0 x, 1 y, 2 z) of eight records from
// 16-byte chunk `chunk` of the 48 bytes those records fill.
struct ShuffleMask {
  signed char bytes[16];
};

constexpr ShuffleMask FieldMask(int field, int chunk) {
  ShuffleMask m{};
  for (int lane = 0; lane < 8; ++lane) {
    const int byte = (lane * 3 + field) * 2 - chunk * 16;
    const bool inside = byte >= 0 && byte < 16;
    m.bytes[2 * lane] = static_cast<signed char>(inside ? byte : -128);  // -128: zero
    m.bytes[2 * lane + 1] = static_cast<signed char>(inside ? byte + 1 : -128);
  }
  return m;
}

constexpr ShuffleMask kFieldMasks[3][3] = {
    {FieldMask(0, 0), FieldMask(0, 1), FieldMask(0, 2)},
    {FieldMask(1, 0), FieldMask(1, 1), FieldMask(1, 2)},
    {FieldMask(2, 0), FieldMask(2, 1), FieldMask(2, 2)},
};

__attribute__((target("sse4.1"))) inline __m128i Field(int field, __m128i a, __m128i b, __m128i c) {
  const __m128i* m = reinterpret_cast<const __m128i*>(kFieldMasks[field]);
  return _mm_or_si128(
      _mm_or_si128(_mm_shuffle_epi8(a, _mm_loadu_si128(m)), _mm_shuffle_epi8(b, _mm_loadu_si128(m + 1))),
      _mm_shuffle_epi8(c, _mm_loadu_si128(m + 2)));
}

// Integer square roots of four values 0..32767^2. The float root is within
// 0.01 of the true one, so one step either way makes it exact.
__attribute__((target("sse4.1"))) inline __m128i IntegerRoots(__m128i n) {
  __m128i r = _mm_cvttps_epi32(_mm_sqrt_ps(_mm_cvtepi32_ps(n)));
  r = _mm_add_epi32(r, _mm_cmpgt_epi32(_mm_mullo_epi32(r, r), n));  // r*r > n: r - 1
  const __m128i next = _mm_add_epi32(r, _mm_set1_epi32(1));
  const __m128i next_too_big = _mm_cmpgt_epi32(_mm_mullo_epi32(next, next), n);
  return _mm_sub_epi32(r, _mm_andnot_si128(next_too_big, _mm_set1_epi32(-1)));  // else r + 1
}

__attribute__((target("sse4.1"))) void Sse41Distances(const unsigned char* records, int count, int16_t* out) {
  const __m128i largest = _mm_set1_epi32(32767 * 32767);  // roots above are held at 32767
  const __m128i below = _mm_set1_epi16(-kMaxCoordinate - 1);
  const __m128i above = _mm_set1_epi16(kMaxCoordinate + 1);
  const __m128i zero = _mm_setzero_si128();
  for (int i = 0; i < count; i += 8, records += 8 * kRecordBytes) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(records));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(records + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(records + 32));
    const __m128i x = Field(0, a, b, c), y = Field(1, a, b, c), z = Field(2, a, b, c);
    // x*x + y*y and z*z as 32-bit sums (unsigned: the total reaches 2.3e9).
    const __m128i xy_low = _mm_unpacklo_epi16(x, y), xy_high = _mm_unpackhi_epi16(x, y);
    const __m128i z_low = _mm_unpacklo_epi16(z, zero), z_high = _mm_unpackhi_epi16(z, zero);
    const __m128i sum_low = _mm_add_epi32(_mm_madd_epi16(xy_low, xy_low), _mm_madd_epi16(z_low, z_low));
    const __m128i sum_high = _mm_add_epi32(_mm_madd_epi16(xy_high, xy_high), _mm_madd_epi16(z_high, z_high));
    const __m128i roots =
        _mm_packs_epi32(IntegerRoots(_mm_min_epu32(sum_low, largest)), IntegerRoots(_mm_min_epu32(sum_high, largest)));
    const __m128i point = _mm_and_si128(_mm_cmpgt_epi16(x, below), _mm_cmplt_epi16(x, above));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_blendv_epi8(x, roots, point));
  }
}

#endif  // KELVARA_HAVE_SSE41_KERNEL

}  // namespace

int16_t PointDistance(int16_t x, int16_t y, int16_t z) { return Distance(x, y, z); }

DistanceKernel BestDistanceKernel() {
#ifdef KELVARA_HAVE_SSE41_KERNEL
  if (__builtin_cpu_supports("sse4.1")) return DistanceKernel::kSse41;
#endif
  return DistanceKernel::kPortable;
}

void ComputePointDistances(DistanceKernel kernel, const unsigned char* records, int count, int16_t* out) {
#ifdef KELVARA_HAVE_SSE41_KERNEL
  if (kernel == DistanceKernel::kSse41 && __builtin_cpu_supports("sse4.1")) {
    Sse41Distances(records, count, out);
    return;
  }
#endif
  (void)kernel;
  PortableDistances(records, count, out);
}

}  // namespace kelvara
