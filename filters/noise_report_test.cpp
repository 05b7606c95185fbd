// The noise report on a still room scene recovers the scene's noise law.
#include "filters/noise_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "filters/testing/room_frames.h"

namespace kelvara {
namespace filters {
namespace {

TEST(NoiseReport, StillRoomSceneGivesBackItsLaw) {
  camsim::RoomScene room(9);
  NoiseReport report;
  for (int k = 0; k < 24; ++k) report.Add(testing::TakeRoomFrame(&room, 2.5).frame);  // a still scene
  const std::vector<NoiseBin> bins = report.Bins();
  ASSERT_GE(bins.size(), 5u);
  const NoiseLaw truth;
  for (const NoiseBin& b : bins) {
    EXPECT_LE(b.amplitude_from, b.mean_amplitude);
    EXPECT_GE(b.amplitude_to + 1, b.mean_amplitude);
    if (b.pixels < 200) continue;
    EXPECT_NEAR(b.rms_mm, truth.Sigma(b.mean_amplitude), 0.2 * truth.Sigma(b.mean_amplitude)) << b.amplitude_from;
  }
  NoiseLaw fitted{0, 0};
  ASSERT_TRUE(NoiseReport::Fit(bins, &fitted));
  EXPECT_NEAR(fitted.scale_mm, truth.scale_mm, 0.15 * truth.scale_mm);
  EXPECT_NEAR(fitted.base_mm, truth.base_mm, 1.0);

  const std::string csv = NoiseReport::Csv(bins, fitted);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "amplitude_from,amplitude_to,pixels,mean_amplitude,rms_mm,law_mm");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(bins.size()) + 1);
}

TEST(NoiseReport, TooLittleToFit) {
  NoiseLaw law;
  EXPECT_FALSE(NoiseReport::Fit({}, &law));
  EXPECT_FALSE(NoiseReport::Fit({NoiseBin{0, 7, 10, 5, 40}}, &law));
  NoiseReport one_frame;
  one_frame.Add(testing::FromPlanes(std::vector<unsigned char>(614656, 0).data()));
  EXPECT_TRUE(one_frame.Bins().empty()) << "a spread needs two frames";
}

}  // namespace
}  // namespace filters
}  // namespace kelvara
