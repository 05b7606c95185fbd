#include "viewer/cloud_builders.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "camsim/pattern_scene.h"
#include "testing/temp_folder.h"
#include "viewer/data_files.h"
#include "viewer/depth_palette.h"

namespace kelvara {
namespace viewer {
namespace {

constexpr int kOut = 40000;  // a distance outside every range used here

class CloudBuildersTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = folder_.path(); }

  // A distance file: every pixel kOut except those given, (row, col) -> mm.
  std::string distanceFile(const std::map<std::pair<int, int>, int>& pixels, size_t size = kDistanceFileBytes) {
    std::string bytes(size, '\0');
    for (int i = 0; i < kPixelCount; ++i) {
      bytes[2 * i] = static_cast<char>(kOut & 0xFF);
      bytes[2 * i + 1] = static_cast<char>(kOut >> 8);
    }
    for (const auto& [pixel, d] : pixels) {
      int i = pixel.first * 320 + pixel.second;
      bytes[2 * i] = static_cast<char>(d & 0xFF);
      bytes[2 * i + 1] = static_cast<char>((d >> 8) & 0xFF);
    }
    return write("dist.bin", bytes);
  }

  // A coordinate file: a header, then records; those not given are z = kOut-like (out of range).
  std::string coordinateFile(const std::vector<std::array<int16_t, 3>>& records) {
    std::string bytes(kCoordinateFileBytes, '\0');
    for (int i = 0; i < kPixelCount; ++i) {
      std::array<int16_t, 3> r = {0, 0, 30000};
      if (i < static_cast<int>(records.size())) r = records[i];
      for (int k = 0; k < 3; ++k) {
        bytes[170 + 6 * i + 2 * k] = static_cast<char>(r[k] & 0xFF);
        bytes[170 + 6 * i + 2 * k + 1] = static_cast<char>((r[k] >> 8) & 0xFF);
      }
    }
    return write("coord.bin", bytes);
  }

  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // All 5 degrees except the optical centre (0) and the given cells.
  static AngleTable table(const std::map<std::pair<int, int>, float>& cells = {}) {
    std::vector<float> v(kPixelCount, 5.0f);
    v[119 * 320 + 159] = 0.0f;
    for (const auto& [cell, value] : cells) v[cell.first * 320 + cell.second] = value;
    return makeAngleTable(v, 320);
  }

  kelvara::testing::TempFolder folder_{"kelvara-cloud"};
  std::string dir_;
  OpticalCenter center_;  // 159, 119
};

TEST_F(CloudBuildersTest, DistancesBecomePointsByTheWorkedNumbers) {
  ViewSettings settings;  // 0..12500, colours 0..12500, ratio 1
  // A pixel left of and above the centre: column 100, row 50.
  AngleTable t = table({{{119, 100}, 30.0f}, {{50, 159}, 20.0f}, {{50, 100}, 35.0f}});
  std::string path = distanceFile({{{50, 100}, 2000}, {{119, 159}, 1000}});
  CloudPtr cloud = buildCloudFromDistances(path, settings, t, center_);
  ASSERT_EQ(cloud->size(), 2u);
  EXPECT_EQ(cloud->width, 2u);
  EXPECT_EQ(cloud->height, 1u);
  EXPECT_TRUE(cloud->is_dense);

  // Row 50 comes first. Before the turn (-50.0, 34.2, -230.1); after it x
  // and y change sign.
  const pcl::PointXYZRGB& p = cloud->points[0];
  EXPECT_NEAR(p.x, 50.0, 1e-4);
  EXPECT_NEAR(p.y, -34.202, 1e-3);
  EXPECT_NEAR(p.z, 81.915 - 312, 1e-3);
  EXPECT_EQ(p.rgba, DepthPalette[colorIndex(2000, 0, 12500)]);

  // The centre pixel at 1000 mm: (0, 0, 50 - 312), colour D00000.
  const pcl::PointXYZRGB& q = cloud->points[1];
  EXPECT_EQ(q.x, 0.0f);
  EXPECT_EQ(q.y, 0.0f);
  EXPECT_EQ(q.z, -262.0f);
  EXPECT_EQ(q.rgba, 0xD00000u);
}

TEST_F(CloudBuildersTest, DistanceFiltersAndColours) {
  AngleTable t = table({{{10, 10}, 180.0f}});
  std::string path = distanceFile({{{0, 0}, 0}, {{10, 10}, 1000}, {{20, 20}, 700}, {{30, 30}, 800}});
  ViewSettings settings;
  settings.colorMin = settings.colorMax = 700;
  CloudPtr cloud = buildCloudFromDistances(path, settings, t, center_);
  // d = 0 passes at rangeMin 0 and becomes (0, 0, -s); the 180-degree pixel
  // is never a point; 700 mm gets palette entry 0, others black.
  ASSERT_EQ(cloud->size(), 3u);
  EXPECT_EQ(cloud->points[0].x, 0.0f);
  EXPECT_EQ(cloud->points[0].z, -312.0f);
  EXPECT_EQ(cloud->points[0].rgba, 0u);
  EXPECT_EQ(cloud->points[1].rgba, DepthPalette[0]);
  EXPECT_EQ(cloud->points[2].rgba, 0u);

  settings.rangeMin = 1;
  EXPECT_EQ(buildCloudFromDistances(path, settings, t, center_)->size(), 2u);
  // A reversed range accepts nothing.
  settings.rangeMin = 5000;
  settings.rangeMax = 100;
  EXPECT_EQ(buildCloudFromDistances(path, settings, t, center_)->size(), 0u);
}

TEST_F(CloudBuildersTest, RatioScalesZBeforeTheShift) {
  AngleTable t = table();
  std::string path = distanceFile({{{119, 159}, 1000}});
  ViewSettings settings;
  settings.ratio = 2.0f;
  EXPECT_EQ(buildCloudFromDistances(path, settings, t, center_)->points[0].z, 100.0f - 312);
  // A ratio that makes z unusable gives no point rather than a NaN in a
  // dense cloud.
  for (float bad : {NAN, INFINITY}) {
    settings.ratio = bad;
    EXPECT_EQ(buildCloudFromDistances(path, settings, t, center_)->size(), 0u);
  }
}

TEST_F(CloudBuildersTest, UnusableInputGivesAnEmptyCloud) {
  ViewSettings settings;
  std::string good = distanceFile({{{119, 159}, 1000}});
  EXPECT_EQ(buildCloudFromDistances(good, settings, table(), center_)->size(), 1u);
  EXPECT_EQ(buildCloudFromDistances(good, settings, AngleTable(), center_)->size(), 0u);
  // Too few rows, or rows of another width, are treated like no table.
  EXPECT_EQ(
      buildCloudFromDistances(good, settings, makeAngleTable(std::vector<float>(320 * 239), 320), center_)->size(), 0u);
  EXPECT_EQ(
      buildCloudFromDistances(good, settings, makeAngleTable(std::vector<float>(321 * 240), 321), center_)->size(), 0u);
  EXPECT_EQ(buildCloudFromDistances("", settings, table(), center_)->size(), 0u);
  EXPECT_EQ(buildCloudFromDistances(dir_ + "/missing", settings, table(), center_)->size(), 0u);
  std::string shortFile = distanceFile({{{119, 159}, 1000}}, kDistanceFileBytes - 1);
  EXPECT_EQ(buildCloudFromDistances(shortFile, settings, table(), center_)->size(), 0u);
  std::string longFile = distanceFile({{{119, 159}, 1000}}, 200000);
  EXPECT_EQ(buildCloudFromDistances(longFile, settings, table(), center_)->size(), 1u);
  EXPECT_EQ(buildCloudFromCoordinates("", settings)->size(), 0u);
  EXPECT_EQ(buildCloudFromCoordinates(write("short", std::string(kCoordinateFileBytes - 1, '\0')), settings)->size(),
            0u);
  EXPECT_EQ(buildCloudFromCoordinates("/dev/zero", settings)->size(), 0u);
}

TEST_F(CloudBuildersTest, CoordinatesByTheWorkedNumbers) {
  std::string path = coordinateFile({{300, 400, 1200}, {1, 2, 0}, {0, 0, 200}, {0, 0, 5000}, {0, 0, -800}});
  ViewSettings settings;
  CloudPtr cloud = buildCloudFromCoordinates(path, settings);
  ASSERT_EQ(cloud->size(), 5u);
  EXPECT_EQ(cloud->points[0].x, 15.0f);
  EXPECT_EQ(cloud->points[0].y, 20.0f);
  EXPECT_EQ(cloud->points[0].z, 60.0f - 312);
  EXPECT_EQ(cloud->points[0].rgba, 0xE10000u);  // dist 1300, index 57
  EXPECT_EQ(cloud->points[4].z, -40.0f - 312);  // |z| counts
  EXPECT_EQ(cloud->width, 5u);

  // z = 0 passes only at rangeMin 0; colours clamp, never black.
  settings.rangeMin = 1;
  settings.colorMin = 500;
  settings.colorMax = 3000;
  cloud = buildCloudFromCoordinates(path, settings);
  ASSERT_EQ(cloud->size(), 4u);
  EXPECT_EQ(cloud->points[1].rgba, 0x800000u);  // 200 mm
  EXPECT_EQ(cloud->points[2].rgba, 0x000080u);  // 5000 mm
  EXPECT_EQ(cloud->points[1].z, 10.0f - 312);   // shift (12500 - 1) / 2 / 20

  // A reversed pair from the pipe (-5 to 20000): -5 <= |z| <= 20000.
  settings.rangeMin = -5;
  settings.rangeMax = 20000;
  cloud = buildCloudFromCoordinates(path, settings);
  ASSERT_EQ(cloud->size(), 5u);
  EXPECT_EQ(cloud->points[0].z, 60.0f - 500);
}

TEST_F(CloudBuildersTest, RotationTurnsACopy) {
  Cloud in;
  pcl::PointXYZRGB p;
  p.x = 3.0f;
  p.y = -4.0f;
  p.z = 5.0f;
  p.rgba = 0x123456;
  in.points.push_back(p);
  in.width = 1;
  in.height = 1;
  in.header.frame_id = "frame";
  CloudPtr out = rotateCloudAboutZ(in, 180);
  const float c = static_cast<float>(std::cos(180 * 3.1415926 / 180));
  const float s = static_cast<float>(std::sin(180 * 3.1415926 / 180));
  EXPECT_EQ(out->points[0].x, c * 3.0f + s * -4.0f);
  EXPECT_EQ(out->points[0].y, -s * 3.0f + c * -4.0f);
  EXPECT_NEAR(out->points[0].x, -3.0f, 1e-5);
  EXPECT_NEAR(out->points[0].y, 4.0f, 1e-5);
  EXPECT_EQ(out->points[0].z, 5.0f);
  EXPECT_EQ(out->points[0].rgba, 0x123456u);
  EXPECT_EQ(out->header.frame_id, "frame");
  EXPECT_EQ(in.points[0].x, 3.0f);  // the input is unchanged
}

// The plain formulas: three trigonometric calls per pixel, then the turn as
// a second pass. The builder must give the same bits.
CloudPtr referenceDistanceCloud(const std::vector<uint16_t>& d, const ViewSettings& s, const AngleTable& t,
                                const OpticalCenter& oc) {
  const double pi = 3.14159265359;
  CloudPtr cloud(new Cloud);
  for (int r = 0; r < 240; ++r) {
    for (int c = 0; c < 320; ++c) {
      int dist = d[r * 320 + c];
      if (dist < s.rangeMin || dist > s.rangeMax) continue;
      if (t.at(r, c) == 180.0f) continue;
      double h = t.at(oc.cy, c) * pi / 180;
      double v = t.at(r, oc.cx) * pi / 180;
      double a = t.at(r, c) * pi / 180;
      double x = std::sin(h) * dist;
      if (c < oc.cx) x = -x;
      double y = std::sin(v) * dist;
      if (r >= oc.cy) y = -y;
      double z = std::cos(a) * dist * s.ratio;
      uint32_t colour = 0;
      if (dist >= s.colorMin && dist <= s.colorMax) colour = DepthPalette[colorIndex(dist, s.colorMin, s.colorMax)];
      pcl::PointXYZRGB p;
      p.x = static_cast<float>(x) / 20;
      p.y = static_cast<float>(y) / 20;
      p.z = static_cast<float>(z) / 20;
      p.rgba = colour;
      cloud->points.push_back(p);
    }
  }
  float shift = static_cast<float>((s.rangeMax - s.rangeMin) / 2 / 20);
  for (auto& p : cloud->points) p.z -= shift;
  const double turn = 180 * 3.1415926 / 180;
  const float cs = static_cast<float>(std::cos(turn));
  const float sn = static_cast<float>(std::sin(turn));
  for (auto& p : cloud->points) {
    float x = p.x, y = p.y;
    p.x = cs * x + sn * y;
    p.y = -sn * x + cs * y;
  }
  return cloud;
}

TEST_F(CloudBuildersTest, SameBitsAsThePlainFormulasOnThePatternScene) {
  // The pattern scene's distance plane and angle table (degrees as the
  // client writes them: raw * 90 / 4096, 180 for raw values of 4096 and up).
  std::vector<unsigned char> frame = pattern::Frame(1);
  std::vector<uint16_t> d(kPixelCount);
  std::vector<float> degrees(kPixelCount);
  for (int r = 0; r < 240; ++r) {
    for (int c = 0; c < 320; ++c) {
      int i = r * 320 + c;
      d[i] = static_cast<uint16_t>(frame[2 * i] | (frame[2 * i + 1] << 8));
      uint16_t raw = pattern::Theta(r, c);
      degrees[i] = (raw & 0xF000) ? 180.0f : static_cast<float>(raw * 90.0 / 4096);
    }
  }
  AngleTable t = makeAngleTable(degrees, 320);
  OpticalCenter oc;
  findOpticalCenter(t, &oc);
  EXPECT_EQ(oc.cx, 159);
  EXPECT_EQ(oc.cy, 119);
  std::string path = write("pattern.bin", std::string(frame.begin(), frame.begin() + kDistanceFileBytes));

  const ViewSettings cases[] = {
      {0, 12500, 0, 12500, 1.0f},
      {500, 4000, 1000, 3000, 0.75f},
      {0, 65535, 400, 400, 1.5f},
  };
  for (const ViewSettings& s : cases) {
    CloudPtr got = buildCloudFromDistances(path, s, t, oc);
    CloudPtr want = referenceDistanceCloud(d, s, t, oc);
    ASSERT_GT(want->size(), 60000u);
    ASSERT_EQ(got->size(), want->size());
    for (size_t i = 0; i < want->size(); ++i) {
      const auto& g = got->points[i];
      const auto& w = want->points[i];
      ASSERT_EQ(std::memcmp(&g.x, &w.x, sizeof(float) * 3), 0) << "point " << i;
      ASSERT_EQ(g.rgba, w.rgba) << "point " << i;
    }
  }
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
