// Exporting one point frame: building the cloud, and building plus writing
// it as binary PCD or PLY, beside PCL's writer alone on the same cloud. And
// kelvara-export on a whole recording: frames per second, and its peak
// resident size, which must not grow with the number of frames (goal: at
// most 60 MB for 300 frames).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "camsim/pattern_scene.h"
#include "export/cloud_builder.h"
#include "export/cloud_writer.h"
#include "export/point_frame.h"
#include "recording/recording_writer.h"
#include "testing/temp_folder.h"

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
    cloud::CloudLayout layout;
    layout.organised = state.range(0) != 0;
    cloud::BuildCloud(Frame(), layout, &cloud);
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
    cloud::BuildCloud(Frame(), cloud::CloudLayout{}, &cloud);
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
  cloud::BuildCloud(Frame(), cloud::CloudLayout{}, &cloud);
  for (auto _ : state) {
    const int rc = ply ? pcl::io::savePLYFileBinary(path, cloud) : pcl::io::savePCDFileBinary(path, cloud);
    if (rc != 0) return state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_PclWriterAlone)->Arg(0)->Arg(1)->ArgName("ply")->Unit(benchmark::kMillisecond)->UseRealTime();

// kelvara-export on a recording of N pattern frames, into organised PCD
// files: the program itself, started once an iteration.
void BM_ExportRecording(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  const kelvara::testing::TempFolder folder("kelvara-bench-export-recording");
  const std::string input = folder.Path("r.kvrec");
  {
    recording::RecordingHeader header;
    header.format_code = 0x0101;
    recording::RecordingWriter writer;
    const std::vector<unsigned char> frame = pattern::Frame(5);
    bool ok = writer.Open(input, header);
    for (int k = 0; ok && k < frames; ++k)
      ok = writer.Append(recording::RecordKind::kFrame, k, frame.data(), static_cast<uint32_t>(frame.size()));
    if (!writer.Close() || !ok) return state.SkipWithError("cannot write the recording");
  }
  const std::string out_folder = folder.Path("out");
  long peak_kb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(out_folder);
    std::filesystem::create_directory(out_folder);
    const std::string output = out_folder + "/c.pcd";
    state.ResumeTiming();
    const pid_t pid = fork();
    if (pid == 0) {
      const int quiet = open("/dev/null", O_WRONLY);  // its summary line would cut into the table
      if (quiet >= 0) dup2(quiet, STDERR_FILENO);
      execl(KELVARA_EXPORT_PATH, KELVARA_EXPORT_PATH, input.c_str(), output.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return state.SkipWithError("kelvara-export failed");
    peak_kb = std::max(peak_kb, static_cast<long>(usage.ru_maxrss));
  }
  state.counters["frames_per_second"] = benchmark::Counter(
      static_cast<double>(frames) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["peak_resident_MB"] = static_cast<double>(peak_kb) / 1024.0;
}
BENCHMARK(BM_ExportRecording)->Arg(30)->Arg(300)->ArgName("frames")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvara
