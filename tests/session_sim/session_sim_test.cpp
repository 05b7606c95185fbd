// The session against the simulator through the production link library:
// the connect sequence of a camera that answers everything, and the failed
// cycles of a run counted by the kind the link reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "link/serial_library.h"
#include "session/session.h"
#include "session/testing/recording_observer.h"
#include "testing/await.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

using testing::RecordingObserver;

class SessionSimTest : public ::testing::Test {
 protected:
  std::unique_ptr<Session> Open(const std::vector<std::string>& sim_args) {
    sim_ = testing::SimProcess::Start(sim_args);
    if (!sim_) return nullptr;
    SessionOptions o;
    o.program_folder = o.data_folder = folder_.path() + "/";
    o.pause = [](int) {};
    o.refresh_angle_file = false;
    return std::make_unique<Session>(UartSerialLibrary(), recorder_, std::move(o));
  }

  testing::PrivateRuntimeDir runtime_;
  kelvara::testing::TempFolder folder_{"kelvara-session-sim"};
  std::unique_ptr<testing::SimProcess> sim_;
  RecordingObserver recorder_;
};

TEST_F(SessionSimTest, ConnectReadsEverythingWithoutAMessage) {
  auto session = Open({"--scene", "pattern"});
  ASSERT_TRUE(session) << testing::SimProcess::last_error();
  ASSERT_EQ(session->Connect(sim_->port()), ConnectResult::kConnected);
  EXPECT_EQ(session->Version().build, 42u);
  EXPECT_TRUE(recorder_.Messages().empty()) << recorder_.Messages().front();
  EXPECT_GE(session->model().parameters().format.current, 0);
  EXPECT_EQ(session->FormatIndex(), session->model().parameters().format.current);
  session->Disconnect();
  EXPECT_THAT(recorder_.States(), ElementsAre("Connecting", "Ready", "Disconnected"));
}

TEST_F(SessionSimTest, FailedCyclesAreCountedByKind) {
  auto session = Open({"--scene", "pattern", "--corrupt-every", "3", "--truncate-every", "4"});
  ASSERT_TRUE(session) << testing::SimProcess::last_error();
  ASSERT_EQ(session->Connect(sim_->port()), ConnectResult::kConnected);
  ASSERT_EQ(session->Start(RunRequest::Cycles(10)), StartOutcome::kStarted);
  ASSERT_TRUE(testing::Await([&] { return session->State() == SessionState::kReady; }));
  const FrameHealth h = session->Health();
  // Result requests 3, 6, 9 come with a wrong start byte, 4 and 8 short.
  EXPECT_EQ(h.wrong_start_byte, 3);
  EXPECT_EQ(h.length_mismatch, 2);
  EXPECT_EQ(h.no_response, 0);
  EXPECT_EQ(h.frames_received, 5);
  EXPECT_EQ(session->LastSummary().failed_cycles, 5);
}

}  // namespace
}  // namespace kelvara
