#include "display/distance_percentiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvara {
namespace {

TEST(DistancePercentilesTest, RangesOfSmallPictures) {
  std::vector<int16_t> ramp;
  for (int i = 0; i <= 100; ++i) ramp.push_back(static_cast<int16_t>(1000 + 10 * i));
  std::vector<int16_t> with_codes = ramp;
  for (int16_t code : {30000, 31000, 32000, -1, -20000, 20000}) with_codes.insert(with_codes.begin(), 20, code);
  const struct {
    const char* name;
    std::vector<int16_t> words;
    std::optional<std::pair<int, int>> range;
  } cases[] = {
      {"ramp", ramp, std::make_pair(1020, 1980)},
      {"codes left out", with_codes, std::make_pair(1020, 1980)},
      {"one distance", {500}, std::make_pair(500, 501)},
      {"beyond the limit", {13000, 14000}, std::make_pair(12499, 12500)},
      {"only codes", {30000, -5}, std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<DistanceRange> got =
        PercentileRange(c.words.data(), static_cast<int>(c.words.size()), 0.02, 0.98, 12500);
    ASSERT_EQ(got.has_value(), c.range.has_value()) << c.name;
    if (got) {
      EXPECT_EQ(std::make_pair(got->minimum, got->maximum), *c.range) << c.name;
    }
  }
}

}  // namespace
}  // namespace kelvara
