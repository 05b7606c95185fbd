// Point distances: the rule for one record, and every kernel against an
// integer square root computed here without floating point.
#include "frame/point_distances.h"
#include "frame/testing/integer_sqrt_reference.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace kelvara {
namespace {

int16_t Expected(int16_t x, int16_t y, int16_t z) {
  if (x < -12499 || x > 12499) return x;
  const int64_t root = IntegerSqrtReference(int64_t{x} * x + int64_t{y} * y + int64_t{z} * z);
  return static_cast<int16_t>(root > 32767 ? 32767 : root);
}

struct Record {
  int16_t x, y, z;
};

// Records where rounding or range limits could go wrong.
std::vector<Record> EdgeRecords() {
  std::vector<Record> r = {
      {3, 4, 0},         {1, 1, 1},         {12499, 0, 0},
      {-12499, 0, 0},    {12500, 0, 0},     {-12500, 0, 0},
      {30000, 7, 7},     {31000, -5, 9},    {32000, 1, 1},
      {-32768, 1, 1},    {32767, 0, 0},     {0, 0, 0},
      {0, -3, -4},       {0, 32767, 32767}, {12499, -32768, -32768},
      {0, 32767, 0},     {0, -32768, 0},    {-12499, -32768, 32767},
      {0, 23169, 23170}, {0, 23170, 23170},
  };
  // Around perfect squares k*k (x*x + y*y = k*k - 1, k*k, k*k + 1 and so on).
  for (int k = 2; k < 32767; k += 331) {
    for (int delta = -2; delta <= 2; ++delta) {
      const int64_t n = int64_t{k} * k + delta;
      const int64_t y = IntegerSqrtReference(n);
      const int64_t rest = n - y * y;  // below 2 * y + 1: fits x once small enough
      if (rest <= int64_t{12499} * 12499 && y <= 32767) {
        const int64_t x = IntegerSqrtReference(rest);
        if (x * x == rest) r.push_back({int16_t(x), int16_t(y), 0});
      }
    }
  }
  while (r.size() % 8) r.push_back({0, 0, 0});
  return r;
}

std::vector<unsigned char> Bytes(const std::vector<Record>& records) {
  std::vector<unsigned char> bytes(records.size() * 6);
  for (std::size_t i = 0; i < records.size(); ++i) std::memcpy(&bytes[6 * i], &records[i], 6);
  return bytes;
}

TEST(PointDistance, EdgeRecords) {
  struct Case {
    int16_t x, y, z, distance;
  };
  const Case cases[] = {
      {3, 4, 0, 5},
      {1, 1, 1, 1},
      {12499, 0, 0, 12499},
      {-12499, 0, 0, 12499},
      {12500, 0, 0, 12500},
      {-12500, 0, 0, -12500},
      {30000, 7, 7, 30000},
      {31000, -5, 9, 31000},
      {32000, 1, 1, 32000},
      {-32768, 1, 1, -32768},
      {0, 0, 0, 0},
      {0, -3, -4, 5},
      // Out-of-range y and z would exceed 32767 mm: held at 32767 (invalid)
      // rather than wrapping into a negative (saturation/overflow) word.
      {0, 32767, 32767, 32767},
      {12499, -32768, -32768, 32767},
      {0, 32767, 0, 32767},
  };
  for (const Case& k : cases) EXPECT_EQ(PointDistance(k.x, k.y, k.z), k.distance) << k.x << "," << k.y << "," << k.z;
}

class EveryKernel : public testing::TestWithParam<DistanceKernel> {};

TEST_P(EveryKernel, MatchesTheIntegerSquareRoot) {
  std::vector<Record> records = EdgeRecords();
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> near(-12600, 12600), any(-32768, 32767);
  for (int n = 0; n < 200000; ++n) {
    const int16_t x = static_cast<int16_t>(n % 7 ? near(rng) : any(rng));
    const int16_t y = static_cast<int16_t>(n % 2 ? near(rng) : any(rng));
    const int16_t z = static_cast<int16_t>(n % 3 ? near(rng) : any(rng));
    records.push_back({x, y, z});
  }
  while (records.size() % 8) records.push_back({1, 2, 3});
  const std::vector<unsigned char> bytes = Bytes(records);
  std::vector<int16_t> out(records.size());
  ComputePointDistances(GetParam(), bytes.data(), static_cast<int>(records.size()), out.data());
  int wrong = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    if (out[i] != Expected(r.x, r.y, r.z) && ++wrong <= 5)
      ADD_FAILURE() << r.x << "," << r.y << "," << r.z << " gave " << out[i];
    if (out[i] != PointDistance(r.x, r.y, r.z)) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Kernels, EveryKernel,
                         testing::Values(DistanceKernel::kPortable, DistanceKernel::kSse41, BestDistanceKernel()));

}  // namespace
}  // namespace kelvara
