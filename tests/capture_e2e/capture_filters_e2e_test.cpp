// kelvara-capture --cloud with --filter against the simulator: the filters
// change the clouds only. A live run without filters is recorded, and the
// recording replayed to a run with filters, so that both see the same
// frames: their log files and recorded frames must be the same bytes.
#include <gtest/gtest.h>

#include <pcl/io/pcd_io.h>
#include <pcl/point_types.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "recording/recording_reader.h"
#include "testing/child_process.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::PrivateRuntimeDir;
using testing::ReadTree;
using testing::RunProgram;
using testing::SimProcess;

constexpr int kFrames = 4;

bool IsCloud(const std::string& name) { return name.find("_cloud_") != std::string::npos; }

// The frames of a recording, each as its bytes.
std::vector<std::string> RecordedFrames(const std::string& path) {
  recording::RecordingReader reader;
  EXPECT_TRUE(reader.Open(path)) << reader.error();
  std::vector<std::string> frames;
  for (const recording::RecordEntry& e : reader.frames()) {
    std::string bytes(e.payload_size, '\0');
    EXPECT_TRUE(reader.ReadPayload(e, reinterpret_cast<unsigned char*>(&bytes[0])));
    frames.push_back(bytes);
  }
  return frames;
}

std::string CloudName(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "unnamed_cloud_%04d.pcd", k);
  return name;
}

class CaptureFiltersE2eTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return runtime_.path() + "/" + name; }

  // Captures kFrames frames of `sim` in the point format with amplitudes,
  // logging PCD and CSV files and a PCD cloud into `out` and recording into
  // `record`; `filter` is the --filter list or empty.
  void Capture(const SimProcess& sim, const std::string& out, const std::string& record, const std::string& filter) {
    std::vector<std::string> args = {KELVARA_CAPTURE_PATH, "--port", std::to_string(sim.port())};
    args.insert(args.end(), {"--format", "5", "--total", std::to_string(kFrames), "--pcd", "--csv"});
    args.insert(args.end(), {"--cloud", "pcd", "--out", out, "--record", record});
    if (!filter.empty()) args.insert(args.end(), {"--filter", filter});
    std::string err;
    ASSERT_EQ(RunProgram(args, &err), 0) << err;
  }

  PrivateRuntimeDir runtime_;
};

TEST_F(CaptureFiltersE2eTest, FiltersChangeTheCloudsOnlyNeverTheLogsOrTheRecording) {
  struct Case {
    const char* scene;
    const char* filter;
    bool mixed_pixels;  // the scene has flying pixels to flag
  };
  const Case cases[] = {
      {"room", "flying", true},
      {"pattern", "flying,spatial,temporal", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene);
    const std::string plain = Path(std::string(c.scene) + "-plain"),
                      filtered = Path(std::string(c.scene) + "-filtered");
    {
      auto live = SimProcess::Start({"--scene", c.scene});
      ASSERT_TRUE(live) << SimProcess::last_error();
      Capture(*live, plain, plain + ".kvrec", "");
    }
    {
      auto replay = SimProcess::Start({"--replay", plain + ".kvrec", "--fps", "0"});
      ASSERT_TRUE(replay) << SimProcess::last_error();
      Capture(*replay, filtered, filtered + ".kvrec", c.filter);
    }
    EXPECT_EQ(RecordedFrames(filtered + ".kvrec"), RecordedFrames(plain + ".kvrec"));

    const std::map<std::string, std::string> a = ReadTree(plain), b = ReadTree(filtered);
    ASSERT_EQ(a.size(), b.size());
    int logs = 0;
    for (const auto& [name, bytes] : a) {
      const auto it = b.find(name);
      ASSERT_NE(it, b.end()) << name << " missing from the filtered run";
      if (IsCloud(name)) continue;
      ++logs;
      EXPECT_TRUE(it->second == bytes) << name << " differs with --filter";
    }
    EXPECT_GT(logs, 2 * kFrames) << "a PCD and CSV files per frame, the settings";

    for (int k = 0; k < kFrames; ++k) {
      SCOPED_TRACE(CloudName(k));
      if (!c.mixed_pixels) {
        EXPECT_TRUE(a.at(CloudName(k)) == b.at(CloudName(k))) << "no point changes";
        continue;
      }
      pcl::PointCloud<pcl::PointXYZI> before, after;
      ASSERT_EQ(pcl::io::loadPCDFile(plain + "/" + CloudName(k), before), 0);
      ASSERT_EQ(pcl::io::loadPCDFile(filtered + "/" + CloudName(k), after), 0);
      ASSERT_EQ(before.size(), 76800u);
      ASSERT_EQ(after.size(), 76800u);
      int nan_before = 0, nan_after = 0;
      for (size_t i = 0; i < before.size(); ++i) {
        nan_before += std::isnan(before[i].x);
        nan_after += std::isnan(after[i].x);
        // A flying pixel loses its point; no point moves.
        if (!std::isnan(after[i].x)) {
          ASSERT_EQ(after[i].x, before[i].x) << i;
          ASSERT_EQ(after[i].y, before[i].y) << i;
          ASSERT_EQ(after[i].z, before[i].z) << i;
        }
      }
      EXPECT_GT(nan_after, nan_before + 50);
      std::printf("%s: %d NaN points, %d with --filter\n", CloudName(k).c_str(), nan_before, nan_after);
    }
  }
}

}  // namespace
}  // namespace kelvara
