#include "capture/capture_cloud.h"

#include <gtest/gtest.h>

#include <pcl/io/pcd_io.h>
#include <pcl/point_types.h>

#include <cstdio>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "capture/capture_console.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

// A point frame of a flat wall facing the camera: every point (0, 0, z) mm
// with amplitude 100 (a few millimetres of noise by the noise law).
std::vector<unsigned char> WallFrame(int z) {
  std::vector<unsigned char> frame(614656, 0);
  for (int i = 0; i < kPixelCount; ++i) {
    unsigned char* record = frame.data() + kPcdHeaderBytes + 6 * i;
    record[4] = static_cast<unsigned char>(z & 0xFF);
    record[5] = static_cast<unsigned char>(z >> 8);
    frame[kPcdFileBytes + 2 * i] = 100;
  }
  return frame;
}

// The temporal average follows the frames that are not logged too: the one
// cloud written after three unlogged frames is the mean of all four.
TEST(CaptureCloudTest, TheTemporalAverageFollowsEveryReceivedFrame) {
  testing::TempFolder folder("kelvara-capture-cloud");
  std::FILE* err = std::fopen("/dev/null", "w");
  ASSERT_NE(err, nullptr);
  CaptureConsole console(err, false);
  filters::FilterSettings settings;
  settings.temporal = true;
  CloudOutputs clouds(console, folder.path(), "t", "pcd", settings);
  const int depths[] = {1000, 1004, 1000, 1004};
  for (int z : depths) {
    const std::vector<unsigned char> frame = WallFrame(z);
    clouds.FrameReceived(frame.data(), frame.size(), 0);
    if (z == depths[3]) clouds.LogProgress(1, 1);  // only the last one is logged
  }
  std::fclose(err);
  ASSERT_EQ(clouds.FirstFailure(), "");
  pcl::PointCloud<pcl::PointXYZI> cloud;
  ASSERT_EQ(pcl::io::loadPCDFile(folder.path() + "/t_cloud_0000.pcd", cloud), 0);
  ASSERT_EQ(cloud.size(), 76800u);
  EXPECT_FLOAT_EQ(cloud[38560].z, 1.002f) << "the mean of 1000, 1004, 1000 and 1004 mm";
}

}  // namespace
}  // namespace kelvara
