// kelvara-export on the pattern scene's frames: the clouds PCL reads back
// hold the expected metres and intensities, invalid pixels are NaN or gone,
// a PLY file read with Python's standard library has only the vertex
// element and no NaN vertex unless asked for, and every way an export can
// go wrong ends with the documented exit status and no cut file.
#include <gtest/gtest.h>

#include <pcl/io/pcd_io.h>
#include <pcl/io/ply_io.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "camsim/pattern_scene.h"
#include "camsim/room_scene.h"
#include "export/cloud_builder.h"
#include "export/cloud_writer.h"
#include "export/export_options.h"
#include "recording/recording_writer.h"
#include "testing/child_process.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

namespace pt = pattern;
using kelvara::testing::ReadFile;

// What Python's standard library reads from a PLY file.
struct PlySummary {
  long vertices = -1;
  long nan_vertices = -1;
  double y_min = 0, y_max = 0;
  std::string elements;
};

class CloudExportTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = folder_.path(); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void WriteBytes(const std::string& name, const std::vector<unsigned char>& bytes, size_t size) {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  }
  // Runs kelvara-export through the shell (`prefix` may set limits);
  // returns its exit status, stderr in *err. A pipe it waited on would
  // end it after 20 s (status 124).
  int Export(const std::string& args, std::string* err = nullptr, const std::string& prefix = "") {
    const std::string cmd =
        prefix + "timeout 20 " + std::string(KELVARA_EXPORT_PATH) + " " + args + " 2>'" + Path("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    if (err) *err = ReadFile(Path("err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  PlySummary ReadPly(const std::string& name) {
    const std::string cmd = "python3 '" + std::string(KELVARA_PLY_SUMMARY_SCRIPT) + "' '" + Path(name) + "'";
    PlySummary s;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return s;
    char elements[256] = {};
    if (std::fscanf(p, "%ld %ld %lf %lf %255s", &s.vertices, &s.nan_vertices, &s.y_min, &s.y_max, elements) != 5)
      s.vertices = -1;
    s.elements = elements;
    if (pclose(p) != 0) s.vertices = -1;
    return s;
  }
  // A recording of `frames` in format code `code`.
  void WriteRecording(const std::string& name, const std::vector<std::vector<unsigned char>>& frames,
                      uint16_t code = 0x0101) {
    recording::RecordingHeader header;
    header.format_code = code;
    recording::RecordingWriter w;
    ASSERT_TRUE(w.Open(Path(name), header));
    for (size_t k = 0; k < frames.size(); ++k)
      ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, static_cast<int64_t>(k), frames[k].data(),
                           static_cast<uint32_t>(frames[k].size())));
    ASSERT_TRUE(w.Close());
  }
  // The files in the folder besides those named.
  std::set<std::string> Files() { return kelvara::testing::ListFolder(dir_); }

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

// Checks an organised cloud against the pattern; in OpenCV axes the rows
// come top row first and x, y change sign.
void ExpectOrganisedPattern(const pcl::PointCloud<pcl::PointXYZI>& cloud, int amplitudes, bool opencv = false) {
  ASSERT_EQ(cloud.width, 320u);
  ASSERT_EQ(cloud.height, 240u);
  EXPECT_FALSE(cloud.is_dense);
  const float sign = opencv ? -1.0f : 1.0f;
  for (const Expected& e : KnownPixels(amplitudes)) {
    const pcl::PointXYZI& p = cloud.at(e.c, opencv ? 239 - e.r : e.r);  // column, row
    SCOPED_TRACE("row " + std::to_string(e.r) + " column " + std::to_string(e.c));
    if (std::isnan(e.x)) {
      EXPECT_TRUE(std::isnan(p.x) && std::isnan(p.y) && std::isnan(p.z));
      continue;
    }
    EXPECT_FLOAT_EQ(p.x, sign * e.x);
    EXPECT_FLOAT_EQ(p.y, sign * e.y);
    EXPECT_FLOAT_EQ(p.z, e.z);
    EXPECT_FLOAT_EQ(p.intensity, e.intensity);
  }
}

void ExpectOrganisedPattern(const std::string& path, int amplitudes, bool opencv = false) {
  pcl::PointCloud<pcl::PointXYZI> cloud;
  ASSERT_EQ(pcl::io::loadPCDFile<pcl::PointXYZI>(path, cloud), 0) << path;
  ExpectOrganisedPattern(cloud, amplitudes, opencv);
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

// PCD is organised and PLY is not unless asked otherwise; a PLY file holds
// the vertex element only, and NaN vertices only when organised was asked.
TEST_F(CloudExportTest, GridFollowsTheFormatUnlessAsked) {
  WriteBytes("frame.bin", pt::Frame(6), 614656);
  struct Case {
    const char* out;
    const char* option;
    uint32_t width, height;
    long nan;  // points without a coordinate
  };
  const std::vector<Case> cases = {
      {"d.pcd", "", 320, 240, 5},
      {"d.ply", "", 76795, 1, 0},
      {"o.ply", "--organised", 320, 240, 5},
      {"u.pcd", "--unorganised", 76795, 1, 0},
      {"u.ply", "--unorganised", 76795, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.out) + " " + c.option);
    std::string err;
    ASSERT_EQ(Export(std::string(c.option) + " " + Path("frame.bin") + " " + Path(c.out), &err), 0) << err;
    pcl::PointCloud<pcl::PointXYZI> cloud;
    const bool ply = std::string(c.out).find(".ply") != std::string::npos;
    ASSERT_EQ(ply ? pcl::io::loadPLYFile<pcl::PointXYZI>(Path(c.out), cloud)
                  : pcl::io::loadPCDFile<pcl::PointXYZI>(Path(c.out), cloud),
              0);
    EXPECT_EQ(cloud.width, c.width);
    EXPECT_EQ(cloud.height, c.height);
    EXPECT_EQ(cloud.is_dense, c.nan == 0);
    long nan = 0;
    for (const auto& p : cloud) nan += std::isfinite(p.x) ? 0 : 1;
    EXPECT_EQ(nan, c.nan);
    if (c.height > 1) ExpectOrganisedPattern(cloud, 76800);
    if (ply) {
      const PlySummary s = ReadPly(c.out);
      EXPECT_EQ(s.vertices, static_cast<long>(c.width) * c.height);
      EXPECT_EQ(s.nan_vertices, c.nan);
      EXPECT_EQ(s.elements, "vertex");
    }
  }
}

// OpenCV axes: x right, y down, z forward, the top row first.
TEST_F(CloudExportTest, OpenCvAxesTurnThePointsAndTheRows) {
  WriteBytes("frame.bin", pt::Frame(5), 614656);
  std::string err;
  ASSERT_EQ(Export("--axes opencv " + Path("frame.bin") + " " + Path("cv.pcd"), &err), 0) << err;
  ExpectOrganisedPattern(Path("cv.pcd"), 76800, true);
  ASSERT_EQ(Export("--axes camera " + Path("frame.bin") + " " + Path("cam.ply")), 0);
  ASSERT_EQ(Export("--axes opencv " + Path("frame.bin") + " " + Path("cv.ply")), 0);
  const PlySummary cam = ReadPly("cam.ply"), cv = ReadPly("cv.ply");
  EXPECT_EQ(cv.vertices, cam.vertices);
  EXPECT_NEAR(cv.y_min, -cam.y_max, 1e-6);
  EXPECT_NEAR(cv.y_max, -cam.y_min, 1e-6);
  EXPECT_NE(ReadFile(Path("cv.ply")).find("axes opencv"), std::string::npos);
  EXPECT_EQ(Export("--axes opengl " + Path("frame.bin") + " " + Path("x.pcd")), 2);
}

// Every frame of a recording is numbered, even when there is one; --frame K
// writes OUTPUT as named.
TEST_F(CloudExportTest, ARecordingGivesOneNumberedCloudPerFrameOrTheOneAsked) {
  std::vector<std::vector<unsigned char>> frames(3, pt::Frame(5));
  for (int k = 0; k < 3; ++k) {
    frames[k][170 + 4] = static_cast<unsigned char>(k);  // z of pixel 0 tells the frames apart
    frames[k][170 + 5] = 0;
  }
  WriteRecording("r.kvrec", frames);
  WriteRecording("one.kvrec", {frames[1]});
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
  ASSERT_EQ(Export(Path("one.kvrec") + " " + Path("single.pcd"), &err), 0) << err;
  EXPECT_TRUE(kelvara::testing::Exists(Path("single_0000.pcd")));
  EXPECT_FALSE(kelvara::testing::Exists(Path("single.pcd")));
}

TEST_F(CloudExportTest, InputsWithoutPointsAndBadOutputsAreRefused) {
  WriteBytes("plane.bin", pt::Frame(1), 614656);  // Distance(Polar): no point records
  WriteBytes("short.bin", pt::Frame(5), 1000);
  WriteBytes("frame.bin", pt::Frame(5), 614656);
  WriteRecording("plane.kvrec", {}, 0x0000);
  WriteRecording("empty.kvrec", {}, 0x0101);
  std::vector<unsigned char> big = pt::Frame(5);
  big.resize(16u << 20);
  WriteRecording("big.kvrec", {pt::Frame(5), big});
  std::vector<unsigned char> small = pt::Frame(5);
  small.resize(500000);
  WriteRecording("small.kvrec", {small});
  ASSERT_EQ(mkfifo(Path("fifo.bin").c_str(), 0600), 0);
  { std::ofstream(Path("sparse.bin")); }
  ASSERT_EQ(truncate(Path("sparse.bin").c_str(), 3LL << 30), 0);  // 3 GiB that take no disk space
  struct Case {
    std::string args;
    int status;
    const char* says;
  };
  const std::vector<Case> cases = {
      {Path("plane.bin") + " " + Path("a.pcd"), 3, "not a point-format frame"},
      {Path("short.bin") + " " + Path("a.pcd"), 3, "neither a recording nor a point frame"},
      {Path("missing.bin") + " " + Path("a.pcd"), 3, "cannot open"},
      {Path("plane.kvrec") + " " + Path("a.pcd"), 3, "no point records"},
      {Path("empty.kvrec") + " " + Path("a.pcd"), 3, "no whole frame"},
      {Path("big.kvrec") + " " + Path("a.pcd"), 3, "frame 1 has 16777216 bytes"},
      {Path("small.kvrec") + " " + Path("a.pcd"), 3, "frame 0 has 500000 bytes"},
      {dir_ + " " + Path("a.pcd"), 3, "not a regular file"},
      {Path("fifo.bin") + " " + Path("a.pcd"), 3, "not a regular file"},
      {"/dev/zero " + Path("a.pcd"), 3, "not a regular file"},
      {Path("sparse.bin") + " " + Path("a.pcd"), 3, "3221225472 bytes"},
      {"--frame 1 " + Path("frame.bin") + " " + Path("a.pcd"), 3, "holds one frame"},
      {Path("frame.bin") + " " + Path("a.xyz"), 2, "must end in .pcd or .ply"},
      {Path("frame.bin"), 2, "one INPUT and one OUTPUT"},
      {"--frame -1 " + Path("frame.bin") + " " + Path("a.pcd"), 2, "--frame"},
      {Path("frame.bin") + " " + Path("no/such/folder/a.pcd"), 6, "Failed to output file!!"},
      {Path("frame.bin") + " " + Path("no/such/folder/a.ply"), 6, "Failed to output file!!"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(Export(c.args, &err), c.status) << c.args << "\n" << err;
    EXPECT_NE(err.find(std::string("kelvara-export: ")), std::string::npos) << c.args;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.args << "\n" << err;
  }
  EXPECT_FALSE(kelvara::testing::Exists(Path("a.pcd")));
}

// An output that is the input itself (by name, by a link, or as one of a
// recording's numbered clouds) is refused before anything is written.
TEST_F(CloudExportTest, AnOutputThatIsTheInputIsRefused) {
  WriteBytes("cam.pcd", pt::Frame(5), kPcdFileBytes);
  ASSERT_EQ(link(Path("cam.pcd").c_str(), Path("hard.pcd").c_str()), 0);
  ASSERT_EQ(symlink(Path("cam.pcd").c_str(), Path("soft.ply").c_str()), 0);
  WriteRecording("rec_0001.ply", {pt::Frame(5), pt::Frame(5)});
  const std::string camera_pcd = ReadFile(Path("cam.pcd"));
  const std::string recording = ReadFile(Path("rec_0001.ply"));
  struct Case {
    std::string input, output;
  };
  const std::vector<Case> cases = {
      {"cam.pcd", "cam.pcd"},
      {"cam.pcd", "hard.pcd"},
      {"cam.pcd", "soft.ply"},
      {"rec_0001.ply", "rec.ply"},  // frame 1 would go to rec_0001.ply
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(Export(Path(c.input) + " " + Path(c.output), &err), 2) << c.output;
    EXPECT_NE(err.find("is INPUT itself"), std::string::npos) << err;
  }
  EXPECT_EQ(ReadFile(Path("cam.pcd")), camera_pcd);
  EXPECT_EQ(ReadFile(Path("rec_0001.ply")), recording);
  EXPECT_FALSE(kelvara::testing::Exists(Path("rec_0000.ply")));
}

// Under a file size limit a cloud cannot be written whole: the export says
// so (status 6) and leaves neither a cut file nor a temporary, and a cloud
// of an earlier export keeps its bytes. With SIGXFSZ left at its default as
// with it ignored.
TEST_F(CloudExportTest, AFileSizeLimitLeavesNoCutCloud) {
  WriteBytes("frame.bin", pt::Frame(5), 614656);
  ASSERT_EQ(Export(Path("frame.bin") + " " + Path("old.ply")), 0);
  const std::string old_cloud = ReadFile(Path("old.ply"));
  struct Case {
    const char* prefix;
    const char* out;
  };
  const std::vector<Case> cases = {
      {"ulimit -f 200; ", "a.pcd"},
      {"ulimit -f 200; ", "a.ply"},
      {"trap '' XFSZ; ulimit -f 200; ", "a.ply"},
      {"trap '' XFSZ; ulimit -f 200; ", "old.ply"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.prefix) + c.out);
    const std::set<std::string> before = Files();
    std::string err;
    EXPECT_EQ(Export(Path("frame.bin") + " " + Path(c.out), &err, c.prefix), 6) << err;
    EXPECT_NE(err.find("Failed to output file!! [ " + Path(c.out) + " ]"), std::string::npos) << err;
    std::set<std::string> after = Files();
    after.erase("err.txt");
    std::set<std::string> expected = before;
    expected.erase("err.txt");
    EXPECT_EQ(after, expected);
  }
  EXPECT_EQ(ReadFile(Path("old.ply")), old_cloud);
}

// The capture's --cloud writes through the same writer: under a file size
// limit it reports the failure and leaves no file.
TEST_F(CloudExportTest, WriteCloudFailsWholeUnderAFileSizeLimit) {
  pcl::PointCloud<pcl::PointXYZI> cloud;
  cloud::BuildCloud(cloud::FromFrameBytes(pt::Frame(5).data(), kMeasurementFrameBytes), cloud::CloudLayout{}, &cloud);
  const std::string path = Path("c.pcd");
  const int status = kelvara::testing::RunForked([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      100000, 100000
    };
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    std::string error;
    if (cloud::WriteCloud(path, cloud::CloudFormat::kPcd, cloud, &error)) return 0;
    return error.find("File too large") != std::string::npos ? 1 : 3;
  });
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(Files().empty());
}

// Reads a recording frame by frame: the export of 300 frames needs no more
// memory than that of a few (the old reader held them all: about 0.6 MB a
// frame).
TEST_F(CloudExportTest, MemoryDoesNotGrowWithTheRecording) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer builds keep freed memory in quarantine: resident size says nothing here";
#endif
  std::vector<unsigned char> frame = pt::Frame(5);
  for (int i = 1; i < kPixelCount; ++i) {  // one point a frame keeps the clouds small
    frame[kPcdHeaderBytes + 6 * i] = 30000 & 0xFF;
    frame[kPcdHeaderBytes + 6 * i + 1] = 30000 >> 8;
  }
  auto peak_kb = [&](int frames) -> long {
    WriteRecording("m.kvrec", std::vector<std::vector<unsigned char>>(static_cast<size_t>(frames), frame));
    const pid_t pid = fork();
    if (pid == 0) {
      const std::string out = Path("m.ply");
      execl(KELVARA_EXPORT_PATH, KELVARA_EXPORT_PATH, Path("m.kvrec").c_str(), out.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
  };
  const long few = peak_kb(5), many = peak_kb(300);
  ASSERT_GT(few, 0);
  ASSERT_GT(many, 0);
  EXPECT_LE(many, 60 * 1024) << "kB";
  EXPECT_LE(many - few, 8 * 1024) << few << " kB for 5 frames, " << many << " kB for 300";
  EXPECT_TRUE(kelvara::testing::Exists(Path("m_0299.ply")));
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
