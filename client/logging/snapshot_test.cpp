#include "logging/snapshot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SnapshotTest, StampIsLocalTime) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(SnapshotStamp(1796955277), "20261211-021437");
}

TEST(SnapshotTest, TheFileTypesOfTheFormatPlusACloudForPointFormats) {
  setenv("TZ", "UTC", 1);
  tzset();
  const struct {
    int format_index;
    bool csv, bin, pcd;
    std::vector<std::string> files;
  } cases[] = {
      {1, true, true, false, {"room_snapshot_20261211-021437_0000.csv", "room_snapshot_20261211-021437_body_0000.raw"}},
      {5, false, false, true, {"room_snapshot_20261211-021437_0000.pcd", "room_snapshot_20261211-021437.ply"}},
      {5, false, false, false, {"room_snapshot_20261211-021437.ply"}},
  };
  for (const auto& c : cases) {
    testing::TempFolder folder("kelvara-snap");
    SnapshotRequest request;
    request.folder = folder.path();
    request.file_name = "room";
    request.when = 1796955277;
    request.format_index = c.format_index;
    request.csv = c.csv;
    request.bin = c.bin;
    request.pcd = c.pcd;
    const SnapshotResult result = WriteSnapshot(request, pattern::Frame(c.format_index));
    EXPECT_EQ(result.failure, "") << c.format_index;
    EXPECT_EQ(result.files, c.files) << c.format_index;
    EXPECT_EQ(SnapshotLine(folder.path(), result), "Snapshot: " + std::to_string(c.files.size()) +
                                                       (c.files.size() == 1 ? " file" : " files") + " saved as " +
                                                       folder.path() + "/room_snapshot_20261211-021437*");
  }
}

TEST(SnapshotTest, ThePlyHoldsThePointsInMetresWithTheirAmplitude) {
  testing::TempFolder folder("kelvara-snap");
  const std::vector<unsigned char> frame = pattern::Frame(5);
  std::string error;
  ASSERT_TRUE(WritePointCloudPly(folder.Path("c.ply"), frame.data(), frame.size(), &error)) << error;
  const std::string ply = Read(folder.Path("c.ply"));
  int points = 0;
  const pattern::Point* first = nullptr;
  pattern::Point p0{};
  int first_r = 0, first_c = 0;
  for (int r = 0; r < kFrameHeight; ++r) {
    for (int c = 0; c < kFrameWidth; ++c) {
      const pattern::Point p = pattern::PointAt(r, c);
      if (p.x < -kMaxDistanceMm || p.x > kMaxDistanceMm) continue;
      if (!first) {
        p0 = p;
        first = &p0;
        first_r = r;
        first_c = c;
      }
      ++points;
    }
  }
  const std::string header = "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(points) +
                             "\nproperty float x\nproperty float y\nproperty float z\nproperty float intensity\n"
                             "end_header\n";
  ASSERT_EQ(ply.compare(0, header.size(), header), 0) << ply.substr(0, 200);
  ASSERT_EQ(ply.size(), header.size() + 16u * static_cast<size_t>(points));
  ASSERT_NE(first, nullptr);
  float v[4];
  std::memcpy(v, ply.data() + header.size(), sizeof v);
  EXPECT_FLOAT_EQ(v[0], p0.x / 1000.0f);
  EXPECT_FLOAT_EQ(v[1], p0.y / 1000.0f);
  EXPECT_FLOAT_EQ(v[2], p0.z / 1000.0f);
  const int a = pattern::Amplitude(first_r, first_c);
  EXPECT_FLOAT_EQ(v[3], (a >= 0 && a <= 255) ? static_cast<float>(a) : 0.0f);
  EXPECT_FALSE(WritePointCloudPly(folder.Path("d.ply"), frame.data(), 100, &error));
}

}  // namespace
}  // namespace kelvara
