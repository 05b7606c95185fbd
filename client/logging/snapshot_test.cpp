#include "logging/snapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"
#include "testing/child_process.h"
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
  const std::string end = "end_header\n";
  const size_t body = ply.find(end) + end.size();
  ASSERT_NE(ply.find("\nelement vertex " + std::to_string(points) + "\n"), std::string::npos) << ply.substr(0, 300);
  ASSERT_EQ(ply.size(), body + 16u * static_cast<size_t>(points));
  ASSERT_NE(first, nullptr);
  float v[4];
  std::memcpy(v, ply.data() + body, sizeof v);
  EXPECT_FLOAT_EQ(v[0], p0.x / 1000.0f);
  EXPECT_FLOAT_EQ(v[1], p0.y / 1000.0f);
  EXPECT_FLOAT_EQ(v[2], p0.z / 1000.0f);
  const int a = pattern::Amplitude(first_r, first_c);
  EXPECT_FLOAT_EQ(v[3], (a >= 0 && a <= 255) ? static_cast<float>(a) : 0.0f);
  EXPECT_FALSE(WritePointCloudPly(folder.Path("d.ply"), frame.data(), 100, &error));
}

#ifdef KELVARA_EXPORT_PATH
// The snapshot's cloud is the one kelvara-export writes unorganised from the same frame, byte for byte.
TEST(SnapshotTest, ThePlyIsWhatTheExporterWritesUnorganised) {
  testing::TempFolder folder("kelvara-snap");
  for (int format : {2, 5}) {
    SCOPED_TRACE(format);
    const std::vector<unsigned char> frame = pattern::Frame(format);
    std::string error;
    ASSERT_TRUE(WritePointCloudPly(folder.Path("snap.ply"), frame.data(), frame.size(), &error)) << error;
    {
      std::ofstream out(folder.Path("frame.bin"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(frame.data()), static_cast<std::streamsize>(frame.size()));
    }
    testing::ChildProcess exporter(
        {KELVARA_EXPORT_PATH, "--unorganised", folder.Path("frame.bin"), folder.Path("export.ply")},
        {testing::ChildProcess::kDiscard, testing::ChildProcess::kDiscard});
    ASSERT_TRUE(exporter.started()) << exporter.error();
    EXPECT_EQ(exporter.Wait(std::chrono::seconds(20)), std::optional<int>(0));
    const std::string exported = Read(folder.Path("export.ply"));
    ASSERT_GT(exported.size(), 1000u);
    EXPECT_TRUE(Read(folder.Path("snap.ply")) == exported);
  }
}
#endif

}  // namespace
}  // namespace kelvara
