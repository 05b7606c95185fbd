// Cloud building in the viewer: a distance file of 76800 valid pixels with a
// full angle table (file read included), and the 180-degree turn. The plain
// forms (three trigonometric calls per pixel; pcl::transformPointCloud) are
// measured beside them for comparison.
#include <benchmark/benchmark.h>
#include <pcl/common/transforms.h>

#include <unistd.h>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "viewer/cloud_builders.h"
#include "viewer/data_files.h"
#include "viewer/depth_palette.h"

namespace kelvara {
namespace viewer {
namespace {

// Every pixel within 0 to 12500 mm, every angle valid: the axis at
// (159, 119), angles growing outwards.
struct Scene {
  Scene() {
    char pattern[] = "/tmp/kelvara-bench-XXXXXX";
    int fd = mkstemp(pattern);
    close(fd);
    path = pattern;
    std::string bytes(kDistanceFileBytes, '\0');
    std::vector<float> degrees(kPixelCount);
    for (int r = 0; r < kFrameHeight; ++r) {
      for (int c = 0; c < kFrameWidth; ++c) {
        int i = r * kFrameWidth + c;
        int d = 400 + 16 * r + c;
        bytes[2 * i] = static_cast<char>(d & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(d >> 8);
        degrees[i] = static_cast<float>(12 * (std::abs(r - 119) + std::abs(c - 159)) * 90.0 / 4096);
      }
    }
    std::ofstream(path, std::ios::binary) << bytes;
    table = makeAngleTable(degrees, kFrameWidth);
  }
  ~Scene() { unlink(path.c_str()); }
  std::string path;
  AngleTable table;
  OpticalCenter center;
  ViewSettings settings;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_BuildCloudFromDistances(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    CloudPtr cloud = buildCloudFromDistances(s.path, s.settings, s.table, s.center);
    benchmark::DoNotOptimize(cloud->points.data());
    if (cloud->size() != static_cast<size_t>(kPixelCount)) state.SkipWithError("points missing");
  }
}
BENCHMARK(BM_BuildCloudFromDistances)->Unit(benchmark::kMillisecond);

// The plain formulas, file read included, for comparison.
void BM_BuildCloudThreeTrigCallsPerPixel(benchmark::State& state) {
  Scene& s = TheScene();
  const double pi = 3.14159265359;
  for (auto _ : state) {
    std::vector<uint8_t> bytes;
    readDistanceFile(s.path, &bytes);
    CloudPtr cloud(new Cloud);
    for (int r = 0; r < kFrameHeight; ++r) {
      for (int c = 0; c < kFrameWidth; ++c) {
        int d = loadU16(bytes.data() + 2 * (r * kFrameWidth + c));
        double h = s.table.at(s.center.cy, c) * pi / 180;
        double v = s.table.at(r, s.center.cx) * pi / 180;
        double a = s.table.at(r, c) * pi / 180;
        double x = std::sin(h) * d, y = std::sin(v) * d, z = std::cos(a) * d * s.settings.ratio;
        pcl::PointXYZRGB p;
        p.x = static_cast<float>(c < s.center.cx ? -x : x) / 20;
        p.y = static_cast<float>(r >= s.center.cy ? -y : y) / 20;
        p.z = static_cast<float>(z) / 20;
        p.rgba = DepthPalette[colorIndex(d, 0, 12500)];
        cloud->points.push_back(p);
      }
    }
    CloudPtr turned = rotateCloudAboutZ(*cloud, 180);
    benchmark::DoNotOptimize(turned->points.data());
  }
}
BENCHMARK(BM_BuildCloudThreeTrigCallsPerPixel)->Unit(benchmark::kMillisecond);

Cloud& FullCloud() {
  static Cloud cloud =
      *buildCloudFromDistances(TheScene().path, TheScene().settings, TheScene().table, TheScene().center);
  return cloud;
}

void BM_RotateCloudAboutZ(benchmark::State& state) {
  Cloud& cloud = FullCloud();
  for (auto _ : state) {
    CloudPtr turned = rotateCloudAboutZ(cloud, 180);
    benchmark::DoNotOptimize(turned->points.data());
  }
}
BENCHMARK(BM_RotateCloudAboutZ)->Unit(benchmark::kMicrosecond);

void BM_PclTransformPointCloud(benchmark::State& state) {
  Cloud& cloud = FullCloud();
  Eigen::Affine3f turn(Eigen::AngleAxisf(static_cast<float>(M_PI), Eigen::Vector3f::UnitZ()));
  for (auto _ : state) {
    Cloud turned;
    pcl::transformPointCloud(cloud, turned, turn);
    benchmark::DoNotOptimize(turned.points.data());
  }
}
BENCHMARK(BM_PclTransformPointCloud)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace viewer
}  // namespace kelvara

BENCHMARK_MAIN();
