// A measurement recorded from the pattern scene, replayed by the simulator
// and captured again gives the same log files, byte for byte, as the live
// capture; a recording cut anywhere replays its whole frames.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "recording/recording_reader.h"
#include "testing/await.h"
#include "testing/child_process.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::PrivateRuntimeDir;
using testing::ReadFile;
using testing::ReadTree;
using testing::RunProgram;
using testing::SimProcess;

// Starts the simulator with its stderr going to `err_path`, so that the
// line it prints before it is ready can be read.
std::unique_ptr<SimProcess> StartSimCapturingStderr(const std::vector<std::string>& args, const std::string& err_path) {
  fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int file = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  dup2(file, STDERR_FILENO);
  auto sim = SimProcess::Start(args);
  dup2(saved, STDERR_FILENO);
  close(saved);
  close(file);
  return sim;
}

class RecordReplayTest : public ::testing::Test {
 protected:
  std::vector<std::string> Capture(int port, std::vector<std::string> args) {
    args.insert(args.begin(), {KELVARA_CAPTURE_PATH, "--port", std::to_string(port)});
    return args;
  }
  std::string Path(const std::string& name) const { return runtime_.path() + "/" + prefix_ + name; }

  // Records `frames` frames of the live pattern scene in `format` into
  // r.kvrec, logging them into live/ with `files`.
  void RecordLive(const std::string& format, int frames, const std::vector<std::string>& files) {
    auto live = SimProcess::Start({"--scene", "pattern"});
    ASSERT_TRUE(live) << SimProcess::last_error();
    std::vector<std::string> args = {"--format", format,       "--total",  std::to_string(frames),
                                     "--out",    Path("live"), "--record", Path("r.kvrec")};
    args.insert(args.end(), files.begin(), files.end());
    std::string err;
    ASSERT_EQ(RunProgram(Capture(live->port(), args), &err), 0) << err;
    EXPECT_NE(err.find("records written to " + Path("r.kvrec")), std::string::npos) << err;
  }

  PrivateRuntimeDir runtime_;
  std::string prefix_;
};

TEST_F(RecordReplayTest, ACaptureOfTheReplayLogsTheSameBytesAsTheLiveCapture) {
  struct Case {
    const char* format;
    int frames;
    std::vector<std::string> files;
  };
  // A point format with its PCD and coordinate tables, and a polar format,
  // whose run ends with the angle logs from the recorded angle table.
  const std::vector<Case> cases = {
      {"5", 50, {"--pcd", "--csv"}},
      {"4", 10, {"--csv", "--bin", "--png"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("format ") + c.format);
    prefix_ = std::string("format") + c.format + "_";  // own files for each case
    RecordLive(c.format, c.frames, c.files);
    recording::RecordingReader reader;
    ASSERT_TRUE(reader.Open(Path("r.kvrec"))) << reader.error();
    EXPECT_EQ(reader.frames().size(), static_cast<size_t>(c.frames));
    EXPECT_EQ(reader.trailing_bytes(), 0u);

    auto replay = SimProcess::Start({"--replay", Path("r.kvrec"), "--fps", "0"});
    ASSERT_TRUE(replay) << SimProcess::last_error();
    std::vector<std::string> args = {"--format", c.format,        "--total", std::to_string(c.frames),
                                     "--out",    Path("replayed")};
    args.insert(args.end(), c.files.begin(), c.files.end());
    std::string err;
    ASSERT_EQ(RunProgram(Capture(replay->port(), args), &err), 0) << err;

    const auto live = ReadTree(Path("live"));
    const auto replayed = ReadTree(Path("replayed"));
    EXPECT_GT(live.size(), static_cast<size_t>(c.frames));
    ASSERT_EQ(live.size(), replayed.size());
    for (const auto& [name, bytes] : live) {
      const auto it = replayed.find(name);
      ASSERT_NE(it, replayed.end()) << name << " missing from the replay's capture";
      EXPECT_TRUE(it->second == bytes) << name << " differs";
    }
  }
}

TEST_F(RecordReplayTest, ARecordingCutAtARandomByteReplaysItsWholeFrames) {
  RecordLive("2", 12, {"--pcd"});
  recording::RecordingReader whole;
  ASSERT_TRUE(whole.Open(Path("r.kvrec"))) << whole.error();
  ASSERT_EQ(whole.frames().size(), 12u);
  const auto& frames = whole.frames();
  const uint64_t size = frames.back().payload_offset + frames.back().payload_size + 4;

  std::mt19937_64 random(14);
  // A cut inside frame 7 (somewhere in its head, payload or checksum).
  const uint64_t first = frames[7].payload_offset - 16;
  const uint64_t cut = first + random() % (frames[8].payload_offset - 16 - first);
  ASSERT_LT(cut, size);
  ASSERT_EQ(truncate(Path("r.kvrec").c_str(), static_cast<off_t>(cut)), 0);

  auto replay = StartSimCapturingStderr({"--replay", Path("r.kvrec"), "--fps", "0"}, Path("sim.err"));
  ASSERT_TRUE(replay) << SimProcess::last_error();
  const std::string said = ReadFile(Path("sim.err"));
  EXPECT_NE(said.find("replaying 7 frames"), std::string::npos) << said;
  EXPECT_NE(said.find("cut off after its last whole frame"), std::string::npos) << said;

  // All seven frames come back; an eighth is not there (the camera answers
  // that it measures no more, until the client gives up).
  std::string err;
  EXPECT_EQ(
      RunProgram(Capture(replay->port(), {"--format", "2", "--total", "7", "--pcd", "--out", Path("seven")}), &err), 0)
      << err;
  for (int k = 0; k < 7; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/unnamed_%04d.pcd", k);
    EXPECT_EQ(ReadFile(Path("seven") + name), ReadFile(Path("live") + name)) << name;
  }
  auto again = SimProcess::Start({"--replay", Path("r.kvrec"), "--fps", "0"});
  ASSERT_TRUE(again) << SimProcess::last_error();
  EXPECT_EQ(
      RunProgram(Capture(again->port(), {"--format", "2", "--total", "8", "--pcd", "--out", Path("eight")}), &err), 7)
      << err;
  EXPECT_NE(err.find("7 frames logged"), std::string::npos) << err;
}

TEST_F(RecordReplayTest, ARecordingKilledMidwayReplaysTheFramesItHolds) {
  auto live = SimProcess::Start({"--scene", "pattern"});
  ASSERT_TRUE(live) << SimProcess::last_error();
  testing::ChildProcess capture(Capture(live->port(), {"--format", "2", "--total", "999999", "--pcd", "--out",
                                                       Path("killed"), "--record", Path("k.kvrec")}),
                                {testing::ChildProcess::kDiscard, testing::ChildProcess::kCapture});
  ASSERT_TRUE(capture.started()) << capture.error();
  // Await five frames' worth of recording, then kill -9 in the middle of
  // whatever the recorder is writing.
  const off_t five_frames = 5 * (614656 + 20) + 320000;
  ASSERT_TRUE(testing::Await(
      [&] {
        struct stat st {};
        return stat(Path("k.kvrec").c_str(), &st) == 0 && st.st_size >= five_frames;
      },
      std::chrono::seconds(60)));
  ASSERT_EQ(kill(capture.pid(), SIGKILL), 0);
  EXPECT_EQ(capture.Wait(), 128 + SIGKILL);

  recording::RecordingReader reader;
  ASSERT_TRUE(reader.Open(Path("k.kvrec"))) << reader.error();
  const size_t whole = reader.frames().size();
  ASSERT_GE(whole, 5u);
  auto replay = StartSimCapturingStderr({"--replay", Path("k.kvrec"), "--fps", "0"}, Path("sim.err"));
  ASSERT_TRUE(replay) << SimProcess::last_error();
  EXPECT_NE(ReadFile(Path("sim.err")).find("replaying " + std::to_string(whole) + " frames"), std::string::npos);
  std::string err;
  ASSERT_EQ(RunProgram(Capture(replay->port(),
                               {"--format", "2", "--total", std::to_string(whole), "--pcd", "--out", Path("after")}),
                       &err),
            0)
      << err;
  // The pattern's frames do not change: each equals the first one logged live.
  const std::string first = ReadFile(Path("killed") + "/unnamed_0000.pcd");
  ASSERT_EQ(first.size(), 460970u);
  char name[32];
  std::snprintf(name, sizeof name, "/unnamed_%04zu.pcd", whole - 1);
  EXPECT_TRUE(ReadFile(Path("after") + name) == first);
}

TEST_F(RecordReplayTest, TheReplayIsTheRecordedCamera) {
  RecordLive("6", 3, {"--pcd"});
  auto replay = SimProcess::Start({"--replay", Path("r.kvrec"), "--loop", "--fps", "0"});
  ASSERT_TRUE(replay) << SimProcess::last_error();
  std::string err;
  // Another format is refused: the capture ends with "format refused".
  EXPECT_EQ(RunProgram(Capture(replay->port(), {"--format", "5", "--out", Path("other")}), &err), 5) << err;
  // The recorded version reply; with --loop the frames come round again.
  ASSERT_EQ(RunProgram(Capture(replay->port(), {"--total", "7", "--pcd", "--out", Path("loop")}), &err), 0) << err;
  EXPECT_NE(err.find("server version 1.0.5.00000042"), std::string::npos) << err;
  for (int k = 0; k < 7; ++k) {
    char name[32], recorded[32];
    std::snprintf(name, sizeof name, "/unnamed_%04d.pcd", k);
    std::snprintf(recorded, sizeof recorded, "/unnamed_%04d.pcd", k % 3);
    EXPECT_EQ(ReadFile(Path("loop") + name), ReadFile(Path("live") + recorded)) << name;
  }
  // Recording into the file being replayed is refused and leaves it whole.
  const std::string before = ReadFile(Path("r.kvrec"));
  EXPECT_EQ(
      RunProgram(Capture(replay->port(), {"--total", "1", "--out", Path("again"), "--record", Path("r.kvrec")}), &err),
      6)
      << err;
  EXPECT_NE(err.find("in use by another program"), std::string::npos) << err;
  EXPECT_EQ(ReadFile(Path("r.kvrec")), before);
}

TEST_F(RecordReplayTest, WhatCannotBeReplayedIsRefused) {
  std::ofstream(Path("text.kvrec")) << "not a recording\n";
  ASSERT_EQ(mkfifo(Path("fifo.kvrec").c_str(), 0600), 0);
  std::string err;
  // A pipe is refused at once, not waited on for a writer.
  const std::vector<std::vector<std::string>> refused = {
      {"--replay", Path("missing.kvrec")},
      {"--replay", Path("fifo.kvrec")},
      {"--replay", runtime_.path()},
      {"--replay", Path("text.kvrec")},
      {"--replay", Path("text.kvrec"), "--scene", "room"},
      {"--loop"},
      {"--replay", Path("text.kvrec"), "--fps", "5", "--rate-from-file"},
  };
  for (const auto& args : refused) {
    std::vector<std::string> argv = {SimProcess::ProgramPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    const int status = RunProgram(argv, &err);
    EXPECT_NE(status, 0) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_NE(err.find("kelvara-camsim: "), std::string::npos) << err;
  }
  // The capture refuses to record into a folder that is not there (before
  // the camera is touched by a measurement).
  auto live = SimProcess::Start({"--scene", "pattern"});
  ASSERT_TRUE(live) << SimProcess::last_error();
  EXPECT_EQ(RunProgram(Capture(live->port(), {"--out", Path("logs"), "--record", Path("no/such/r.kvrec")}), &err), 6)
      << err;
}

}  // namespace
}  // namespace kelvara

#ifdef KELVARA_CLOUD_EXPORT
namespace kelvara {
namespace {

TEST_F(RecordReplayTest, CaptureWritesACloudBesideEveryLoggedPointFrame) {
  auto live = SimProcess::Start({"--scene", "pattern"});
  ASSERT_TRUE(live) << SimProcess::last_error();
  std::string err;
  ASSERT_EQ(RunProgram(Capture(live->port(),
                               {"--format", "5", "--total", "3", "--pcd", "--cloud", "ply", "--out", Path("clouds")}),
                       &err),
            0)
      << err;
  for (int k = 0; k < 3; ++k) {
    char name[40];
    std::snprintf(name, sizeof name, "/unnamed_cloud_%04d.ply", k);
    const std::string ply = ReadFile(Path("clouds") + name);
    EXPECT_EQ(ply.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u) << name;
    // Only the pixels with a point (five of the pattern's carry codes), and
    // only the vertex element.
    EXPECT_NE(ply.find("\nelement vertex 76795\nproperty float x\nproperty float y\nproperty float z\n"
                       "property float intensity\nend_header\n"),
              std::string::npos)
        << name;
  }
  // Under a file size limit no cloud can be written whole: none is left, cut
  // or hidden, and the run says so with its exit status.
  const std::vector<std::string> capture =
      Capture(live->port(), {"--format", "5", "--total", "2", "--csv", "--cloud", "pcd", "--out", Path("limited")});
  std::string command = "ulimit -f 1000; exec";
  for (const std::string& arg : capture) command += " '" + arg + "'";
  EXPECT_EQ(RunProgram({"/bin/sh", "-c", command}, &err), 6) << err;
  EXPECT_NE(err.find("Failed to output file!! [ " + Path("limited") + "/unnamed_cloud_0000.pcd ]"), std::string::npos)
      << err;
  for (const std::string& name : testing::ListFolder(Path("limited")))
    EXPECT_EQ(name.find("cloud"), std::string::npos) << name;
  // A plane format has no points to write: refused before the run.
  EXPECT_EQ(RunProgram(Capture(live->port(), {"--format", "1", "--cloud", "pcd", "--out", Path("plane")}), &err), 2)
      << err;
  EXPECT_NE(err.find("--cloud needs a point format"), std::string::npos) << err;
}

}  // namespace
}  // namespace kelvara
#endif
