// kelvara-export on the pattern scene's frames: the clouds PCL reads back
// hold the expected metres and intensities, invalid pixels are NaN or gone,
// and a PLY header read with Python's standard library agrees.
#include <gtest/gtest.h>

#include <pcl/io/pcd_io.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cloud_builder.h"
#include "export_options.h"
#include "pattern_scene.h"
#include "recording_writer.h"
#include "room_scene.h"
#include "temp_folder.h"
#include "test_files.h"

namespace kelvara {
namespace {

namespace pt = pattern;

class CloudExportTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = folder_.path(); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void WriteBytes(const std::string& name, const std::vector<unsigned char>& bytes, size_t size) {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  }
  // Runs kelvara-export; returns its exit status, stderr in *err.
  int Export(const std::string& args, std::string* err = nullptr) {
    const std::string cmd = std::string(KELVARA_EXPORT_PATH) + " " + args + " 2>'" + Path("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    if (err) *err = kelvara::testing::ReadFile(Path("err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The vertex count of a PLY file, read by the Python script.
  long PlyVertices(const std::string& name) {
    const std::string cmd = "python3 '" + std::string(KELVARA_PLY_COUNT_SCRIPT) + "' '" + Path(name) + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    long count = -1;
    if (std::fscanf(p, "%ld", &count) != 1) count = -1;
    return pclose(p) == 0 ? count : -1;
  }

  kelvara::testing::TempFolder folder_{"kelvara-export"};
  std::string dir_;
};

// The points of a pattern frame in metres, NaN where x carries a code.
struct Expected {
  int r, c;
  float x, y, z, intensity;  // NaN x: no point
};

// `amplitudes`: how many pixels (from the first) the file has amplitudes for.
std::vector<Expected> KnownPixels(int amplitudes) {
  const float nan = NAN;
  const bool with_amplitude = amplitudes > 0;
  auto at = [&](int r, int c) {
    const pt::Point p = pt::PointAt(r, c);
    return Expected{r,
                    c,
                    p.x / 1000.0f,
                    p.y / 1000.0f,
                    p.z / 1000.0f,
                    r * 320 + c < amplitudes ? static_cast<float>(pt::Amplitude(r, c)) : 0.0f};
  };
  return {
      at(0, 0),                    // (-0.160, 0.120, 0.400), amplitude 0
      at(10, 200),                 // (0.040, 0.110, 0.760), amplitude 154
      at(239, 234),                // the last pixel with an amplitude in an export ring file
      at(239, 319),                // the last pixel
      {5, 0, nan, nan, nan, nan},  // x = 30000: no data
      {5, 1, nan, nan, nan, nan},  // 31000: saturation
      {5, 2, nan, nan, nan, nan},  // 32000: overflow
      {5, 3, nan, nan, nan, nan},  // 12500: out of range
      {5, 4, nan, nan, nan, nan},  // -12500
      {5, 5, 12.499f, 0, 0, 0},    // the largest coordinate is a point
      {5, 6, -12.499f, 0, 0, with_amplitude ? 1.0f : 0.0f},
      {5, 7, 0.003f, 0.004f, 0, with_amplitude ? 2.0f : 0.0f},
  };
}

void ExpectOrganisedPattern(const std::string& path, int amplitudes) {
  pcl::PointCloud<pcl::PointXYZI> cloud;
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(path, cloud), 0) << path;
  ASSERT_EQ(cloud.width, 320u);
  ASSERT_EQ(cloud.height, 240u);
  EXPECT_FALSE(cloud.is_dense);
  for (const Expected& e : KnownPixels(amplitudes)) {
    const pcl::PointXYZI& p = cloud.at(e.c, e.r);  // column, row
    SCOPED_TRACE("row " + std::to_string(e.r) + " column " + std::to_string(e.c));
    if (std::isnan(e.x)) {
      EXPECT_TRUE(std::isnan(p.x) && std::isnan(p.y) && std::isnan(p.z));
      continue;
    }
    EXPECT_FLOAT_EQ(p.x, e.x);
    EXPECT_FLOAT_EQ(p.y, e.y);
    EXPECT_FLOAT_EQ(p.z, e.z);
    EXPECT_FLOAT_EQ(p.intensity, e.intensity);
  }
}

TEST_F(CloudExportTest, EveryInputKindGivesTheSameMetresInPcd) {
  const std::vector<unsigned char> frame = pt::Frame(5);
  struct Case {
    const char* name;
    size_t bytes;
    int amplitudes;
  };
  const std::vector<Case> cases = {
      {"frame.bin", 614656, 76800},   // a whole result frame
      {"data_0.bin", 614400, 76715},  // an export ring file: 170 bytes short of the last 85
      {"camera.pcd", 460970, 0},      // the logged camera PCD: no amplitudes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(c.name, frame, c.bytes);
    std::string err;
    ASSERT_EQ(Export(Path(c.name) + " " + Path("out.pcd"), &err), 0) << err;
    ExpectOrganisedPattern(Path("out.pcd"), c.amplitudes);
  }
}

TEST_F(CloudExportTest, UnorganisedCloudsDropThePixelsWithoutAPointInPcdAndPly) {
  WriteBytes("frame.bin", pt::Frame(6), 614656);
  ASSERT_EQ(Export("--unorganised " + Path("frame.bin") + " " + Path("u.pcd")), 0);
  pcl::PointCloud<pcl::PointXYZI> cloud;
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("u.pcd"), cloud), 0);
  EXPECT_EQ(cloud.size(), 76800u - 5);  // row 5, columns 0..4
  EXPECT_EQ(cloud.height, 1u);
  EXPECT_TRUE(cloud.is_dense);
  for (const auto& p : cloud) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.intensity));

  ASSERT_EQ(Export("--unorganised " + Path("frame.bin") + " " + Path("u.ply")), 0);
  EXPECT_EQ(PlyVertices("u.ply"), 76800 - 5);
  ASSERT_EQ(Export(Path("frame.bin") + " " + Path("o.ply")), 0);
  EXPECT_EQ(PlyVertices("o.ply"), 76800);
}

TEST_F(CloudExportTest, ARecordingGivesOneCloudPerFrameOrTheOneAsked) {
  recording::RecordingHeader header;
  header.format_code = 0x0101;
  recording::RecordingWriter w;
  ASSERT_TRUE(w.Open(Path("r.kvrec"), header));
  std::vector<unsigned char> frame = pt::Frame(5);
  for (int k = 0; k < 3; ++k) {
    frame[170 + 4] = static_cast<unsigned char>(k);  // z of pixel 0 tells the frames apart
    frame[170 + 5] = 0;
    ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, k, frame.data(), static_cast<uint32_t>(frame.size())));
  }
  ASSERT_TRUE(w.Close());
  std::string err;
  ASSERT_EQ(Export(Path("r.kvrec") + " " + Path("all.pcd"), &err), 0) << err;
  EXPECT_NE(err.find("3 clouds"), std::string::npos) << err;
  for (int k = 0; k < 3; ++k) {
    pcl::PointCloud<pcl::PointXYZI> cloud;
    ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(cloud::NumberedPath(Path("all.pcd"), k), cloud), 0);
    EXPECT_FLOAT_EQ(cloud.at(0).z, k / 1000.0f);
  }
  ASSERT_EQ(Export("--frame 2 " + Path("r.kvrec") + " " + Path("two.pcd"), &err), 0) << err;
  pcl::PointCloud<pcl::PointXYZI> two;
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("two.pcd"), two), 0);
  EXPECT_FLOAT_EQ(two.at(0).z, 0.002f);
  EXPECT_EQ(Export("--frame 3 " + Path("r.kvrec") + " " + Path("x.pcd")), 3);
}

TEST_F(CloudExportTest, InputsWithoutPointsAndBadOutputsAreRefused) {
  WriteBytes("plane.bin", pt::Frame(1), 614656);  // Distance(Polar): no point records
  WriteBytes("short.bin", pt::Frame(5), 1000);
  WriteBytes("frame.bin", pt::Frame(5), 614656);
  recording::RecordingHeader plane;
  plane.format_code = 0x0000;
  recording::RecordingWriter w;
  ASSERT_TRUE(w.Open(Path("plane.kvrec"), plane));
  ASSERT_TRUE(w.Close());
  struct Case {
    std::string args;
    int status;
  };
  const std::vector<Case> cases = {
      {Path("plane.bin") + " " + Path("a.pcd"), 3},
      {Path("short.bin") + " " + Path("a.pcd"), 3},
      {Path("missing.bin") + " " + Path("a.pcd"), 3},
      {Path("plane.kvrec") + " " + Path("a.pcd"), 3},
      {"--frame 1 " + Path("frame.bin") + " " + Path("a.pcd"), 3},
      {Path("frame.bin") + " " + Path("a.xyz"), 2},
      {Path("frame.bin"), 2},
      {"--frame -1 " + Path("frame.bin") + " " + Path("a.pcd"), 2},
      {Path("frame.bin") + " " + Path("no/such/folder/a.pcd"), 6},
      {Path("frame.bin") + " " + Path("no/such/folder/a.ply"), 6},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(Export(c.args, &err), c.status) << c.args << "\n" << err;
    EXPECT_NE(err.find("kelvara-export: "), std::string::npos) << c.args;
  }
}

// The filters on the pattern frame: its known pixels, the codes of row 5
// among them, come through the whole chain as they were.
TEST_F(CloudExportTest, FilteredPatternKeepsItsKnownPixels) {
  WriteBytes("frame.bin", pt::Frame(5), 614656);
  std::string err;
  ASSERT_EQ(Export("--filter flying,spatial,temporal " + Path("frame.bin") + " " + Path("f.pcd"), &err), 0) << err;
  ExpectOrganisedPattern(Path("f.pcd"), 76800);
}

// A frame of the room without mixed pixels and without noise: the flying
// pixel test drops no point and moves none; no stage loses a point.
TEST_F(CloudExportTest, FilterOnAFrameWithoutMixedPixelsLosesNoPoint) {
  camsim::RoomScene room(1, /*noise=*/false, /*mixed_pixels=*/false);
  camsim::CameraParameters p;
  p.format_code = 0x0101;
  const unsigned char* f = room.Frame(p, 1.0);
  WriteBytes("room.bin", std::vector<unsigned char>(f, f + 614656), 614656);
  ASSERT_EQ(Export("--unorganised " + Path("room.bin") + " " + Path("plain.pcd")), 0);
  pcl::PointCloud<pcl::PointXYZI> plain;
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("plain.pcd"), plain), 0);
  ASSERT_GT(plain.size(), 60000u);
  for (const char* filters : {"flying", "flying,spatial,temporal", "temporal,spatial"}) {
    SCOPED_TRACE(filters);
    std::string err;
    ASSERT_EQ(
        Export("--unorganised --filter " + std::string(filters) + " " + Path("room.bin") + " " + Path("filtered.pcd"),
               &err),
        0)
        << err;
    pcl::PointCloud<pcl::PointXYZI> filtered;
    ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("filtered.pcd"), filtered), 0);
    ASSERT_EQ(filtered.size(), plain.size());
    if (std::string(filters) != "flying") continue;
    for (size_t i = 0; i < plain.size(); ++i) {
      ASSERT_EQ(filtered[i].x, plain[i].x) << i;
      ASSERT_EQ(filtered[i].y, plain[i].y) << i;
      ASSERT_EQ(filtered[i].z, plain[i].z) << i;
    }
  }
  std::string err;
  EXPECT_EQ(Export("--filter flying,smooth " + Path("room.bin") + " " + Path("x.pcd"), &err), 2);
  EXPECT_NE(err.find("unknown filter \"smooth\""), std::string::npos) << err;
}

// The mixed pixels of the room scene become NaN in an organised cloud.
TEST_F(CloudExportTest, FlyingPixelsBecomeNanOrAreDropped) {
  camsim::RoomScene room(1);
  camsim::CameraParameters p;
  p.format_code = 0x0101;
  const unsigned char* f = room.Frame(p, 2.5);
  WriteBytes("room.bin", std::vector<unsigned char>(f, f + 614656), 614656);
  ASSERT_EQ(Export(Path("room.bin") + " " + Path("o.pcd")), 0);
  ASSERT_EQ(Export("--filter flying " + Path("room.bin") + " " + Path("of.pcd")), 0);
  ASSERT_EQ(Export("--unorganised --filter flying " + Path("room.bin") + " " + Path("uf.pcd")), 0);
  pcl::PointCloud<pcl::PointXYZI> o, of, uf;
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("o.pcd"), o), 0);
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("of.pcd"), of), 0);
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(Path("uf.pcd"), uf), 0);
  ASSERT_EQ(of.size(), 76800u);
  long points = 0, removed = 0, removed_mixed = 0;
  for (size_t i = 0; i < o.size(); ++i) {
    if (std::isnan(o[i].x)) continue;
    ++points;
    if (!std::isnan(of[i].x)) continue;
    ++removed;
    removed_mixed += room.mixed()[i];
  }
  EXPECT_GT(removed, 50);
  EXPECT_GT(removed_mixed, 50);
  EXPECT_LE(removed - removed_mixed, points / 1000) << "at most 0.1 % of the pixels the scene did not mix";
  EXPECT_EQ(static_cast<long>(uf.size()), points - removed);
}

// The noise report of a recording of a still scene: a CSV beside it, the
// fitted law on stdout.
TEST_F(CloudExportTest, NoiseReportOfAStillRecording) {
  camsim::RoomScene room(2);
  camsim::CameraParameters p;
  p.format_code = 0x0100;
  recording::RecordingHeader header;
  header.format_code = 0x0100;
  recording::RecordingWriter w;
  ASSERT_TRUE(w.Open(Path("still.kvrec"), header));
  for (int k = 0; k < 12; ++k)
    ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, k, room.Frame(p, 2.5), 614656));  // the ball holds still
  ASSERT_TRUE(w.Close());
  const std::string cmd =
      std::string(KELVARA_EXPORT_PATH) + " --noise-report '" + Path("still.kvrec") + "' 2>/dev/null";
  FILE* out = popen(cmd.c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::string printed;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) printed.append(buffer, n);
  ASSERT_EQ(pclose(out), 0) << printed;
  const std::string csv = kelvara::testing::ReadFile(Path("still-noise.csv"));
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "amplitude_from,amplitude_to,pixels,mean_amplitude,rms_mm,law_mm");
  EXPECT_EQ(printed.find(csv), 0u) << printed;
  double base = 0, scale = 0;
  const size_t law = printed.find("noise law: sigma = ");
  ASSERT_NE(law, std::string::npos) << printed;
  ASSERT_EQ(std::sscanf(printed.c_str() + law, "noise law: sigma = %lf mm + %lf mm", &base, &scale), 2) << printed;
  EXPECT_NEAR(scale, 200, 40);  // the room scene's own law

  // A format without amplitudes, one frame only, and a missing file.
  header.format_code = 0x0000;
  ASSERT_TRUE(w.Open(Path("polar.kvrec"), header));
  ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, 0, room.Frame(p, 2.5), 614656));
  ASSERT_TRUE(w.Close());
  header.format_code = 0x0100;
  ASSERT_TRUE(w.Open(Path("one.kvrec"), header));
  ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, 0, room.Frame(p, 2.5), 614656));
  ASSERT_TRUE(w.Close());
  for (const char* name : {"polar.kvrec", "one.kvrec", "missing.kvrec"}) {
    std::string err;
    EXPECT_EQ(Export("--noise-report " + Path(name), &err), 3) << name;
    EXPECT_NE(err.find("kelvara-export: "), std::string::npos) << name;
  }
  EXPECT_EQ(Export("--noise-report " + Path("one.kvrec") + " a.csv b.csv"), 2);
}

}  // namespace
}  // namespace kelvara
