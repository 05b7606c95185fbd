// Exporting one point frame: building the cloud, and building plus writing
// it as binary PCD or PLY, beside PCL's writer alone on the same cloud.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <string>

#include "cloud_builder.h"
#include "cloud_writer.h"
#include "pattern_scene.h"
#include "point_frame.h"
#include "temp_folder.h"

#include <pcl/io/pcd_io.h>
#include <pcl/io/ply_io.h>

namespace kelvara {
namespace {

const cloud::PointFrame& Frame() {
  static const cloud::PointFrame frame = [] {
    const std::vector<unsigned char> bytes = pattern::Frame(5);
    return cloud::FromFrameBytes(bytes.data(), bytes.size());
  }();
  return frame;
}

std::string OutPath(const char* name) {
  static const kelvara::testing::TempFolder folder("kelvara-bench-export");
  return folder.Path(name);
}

void BM_BuildCloud(benchmark::State& state) {
  pcl::PointCloud<pcl::PointXYZI> cloud;
  for (auto _ : state) {
    cloud::BuildCloud(Frame(), state.range(0) != 0, &cloud);
    benchmark::DoNotOptimize(cloud.data());
  }
}
BENCHMARK(BM_BuildCloud)->Arg(1)->Arg(0)->ArgName("organised")->Unit(benchmark::kMillisecond);

// The whole export of one frame: build and write.
void BM_ExportFrame(benchmark::State& state) {
  const bool ply = state.range(0) != 0;
  const std::string path = OutPath(ply ? "e.ply" : "e.pcd");
  pcl::PointCloud<pcl::PointXYZI> cloud;
  std::string error;
  for (auto _ : state) {
    cloud::BuildCloud(Frame(), true, &cloud);
    if (!cloud::WriteCloud(path, ply ? cloud::CloudFormat::kPly : cloud::CloudFormat::kPcd, cloud, &error))
      return state.SkipWithError(error.c_str());
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_ExportFrame)->Arg(0)->Arg(1)->ArgName("ply")->Unit(benchmark::kMillisecond)->UseRealTime();

// PCL's writer alone, on a cloud built beforehand.
void BM_PclWriterAlone(benchmark::State& state) {
  const bool ply = state.range(0) != 0;
  const std::string path = OutPath(ply ? "w.ply" : "w.pcd");
  pcl::PointCloud<pcl::PointXYZI> cloud;
  cloud::BuildCloud(Frame(), true, &cloud);
  for (auto _ : state) {
    const int rc = ply ? pcl::io::savePLYFileBinary(path, cloud) : pcl::io::savePCDFileBinary(path, cloud);
    if (rc != 0) return state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_PclWriterAlone)->Arg(0)->Arg(1)->ArgName("ply")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvara
