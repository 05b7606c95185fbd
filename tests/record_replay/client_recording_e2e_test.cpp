// A recording made by the client's session and one made by kelvara-capture
// --record, each from its own pattern simulator, hold the same camera
// replies and the same frame records, byte for byte; only the times differ.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camsim/testing/sim_process.h"
#include "link/serial_library.h"
#include "recording/recording_reader.h"
#include "session/session.h"
#include "session/testing/recording_observer.h"
#include "testing/await.h"
#include "testing/child_process.h"

namespace kelvara {
namespace {

using testing::SimProcess;

constexpr int kFrames = 12;
constexpr int kFormat = 5;

struct Contents {
  recording::RecordingHeader header;
  std::vector<std::vector<unsigned char>> frames;
};

Contents Read(const std::string& path) {
  Contents c;
  recording::RecordingReader reader;
  EXPECT_TRUE(reader.Open(path)) << path << ": " << reader.error();
  EXPECT_EQ(reader.trailing_bytes(), 0u);
  c.header = reader.header();
  for (const recording::RecordEntry& e : reader.frames()) {
    std::vector<unsigned char> bytes(e.payload_size);
    EXPECT_TRUE(reader.ReadPayload(e, bytes.data()));
    c.frames.push_back(std::move(bytes));
  }
  return c;
}

TEST(ClientRecordingTest, SameRepliesAndFrameRecordsAsTheCaptureTool) {
  testing::PrivateRuntimeDir runtime;
  const std::string captured = runtime.path() + "/capture.kvrec";
  const std::string recorded = runtime.path() + "/client.kvrec";
  {
    auto sim = SimProcess::Start({"--scene", "pattern"});
    ASSERT_TRUE(sim) << SimProcess::last_error();
    std::string err;
    ASSERT_EQ(testing::RunProgram(
                  {KELVARA_CAPTURE_PATH, "--port", std::to_string(sim->port()), "--format", std::to_string(kFormat),
                   "--total", std::to_string(kFrames), "--out", runtime.path() + "/out", "--record", captured},
                  &err),
              0)
        << err;
  }
  {
    auto sim = SimProcess::Start({"--scene", "pattern"});
    ASSERT_TRUE(sim) << SimProcess::last_error();
    testing::RecordingObserver observer;
    SessionOptions o;
    o.program_folder = o.data_folder = runtime.path() + "/";
    o.pause = [](int) {};
    o.refresh_angle_file = false;
    Session session(UartSerialLibrary(), observer, std::move(o));
    ASSERT_EQ(session.Connect(sim->port()), ConnectResult::kConnected);
    ASSERT_TRUE(session.SendFormat(kFormat));
    std::string error;
    ASSERT_EQ(session.StartRecording(recorded, &error), RecordStart::kStarted) << error;
    ASSERT_EQ(session.Start(RunRequest::Cycles(kFrames)), StartOutcome::kStarted);
    ASSERT_TRUE(testing::Await([&] { return session.State() == SessionState::kReady; }));
    ASSERT_TRUE(session.StopRecording()) << session.Recording().error;
    session.Shutdown();
  }
  const Contents a = Read(captured);
  const Contents b = Read(recorded);
  EXPECT_EQ(a.header.format_code, kFormatCodes[kFormat]);
  EXPECT_EQ(b.header.format_code, a.header.format_code);
  ASSERT_EQ(b.header.replies.size(), a.header.replies.size());
  for (size_t i = 0; i < a.header.replies.size(); ++i) {
    EXPECT_EQ(b.header.replies[i].code, a.header.replies[i].code) << i;
    EXPECT_TRUE(b.header.replies[i].payload == a.header.replies[i].payload) << i;
  }
  EXPECT_NE(b.header.Find(CMD_GET_ANGLE_TABLE), nullptr);
  ASSERT_EQ(a.frames.size(), static_cast<size_t>(kFrames));
  ASSERT_EQ(b.frames.size(), a.frames.size());
  for (size_t i = 0; i < a.frames.size(); ++i) EXPECT_TRUE(b.frames[i] == a.frames[i]) << "frame " << i;
}

}  // namespace
}  // namespace kelvara
