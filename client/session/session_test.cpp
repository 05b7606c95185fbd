#include "session/session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "measure/testing/fake_camera.h"
#include "session/testing/recording_observer.h"
#include "testing/await.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::Await;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using testing::RecordingObserver;

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    dir_ = folder_.path() + "/";
    mkdir((dir_ + "3d_data").c_str(), 0700);
  }
  SessionOptions Options(ProgramRunner runner = nullptr) {
    SessionOptions o;
    o.program_folder = dir_;
    o.data_folder = dir_;
    o.pause = [](int) {};
    o.upload_runner = std::move(runner);
    o.refresh_angle_file = false;
    return o;
  }
  bool Ended(Session& s) {
    return Await([&] { return s.State() == SessionState::kReady; });
  }

  kelvara::testing::TempFolder folder_{"kelvara-session"};
  std::string dir_;
  RecordingObserver observer_;
};

TEST_F(SessionTest, ConnectSequenceUploadsOnceThenAsksStopVersionAndEveryGroup) {
  // The table exists, so the first connect of the program run uploads it.
  mkdir((dir_ + "Table").c_str(), 0700);
  kelvara::testing::WriteFile(TableFilePath(dir_), "table");
  std::vector<std::vector<std::string>> runs;
  FakeCamera camera(1);
  Session session(camera, observer_, Options([&](const std::vector<std::string>& argv) {
                    runs.push_back(argv);
                    return 0;
                  }));
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);
  const std::vector<int> codes = camera.Codes();
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(codes[0], CMD_STOP_MEASUREMENT);
  EXPECT_EQ(codes[1], CMD_GET_VERSION);
  EXPECT_NE(std::find(codes.begin(), codes.end(), CMD_GET_FORMAT), codes.end());
  EXPECT_EQ(session.FormatIndex(), 1);
  EXPECT_EQ(session.logger().FormatIndex(), 1);
  EXPECT_THAT(observer_.States(), ElementsAre("Connecting", "Ready"));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (std::vector<std::string>{dir_ + "Brenvik", "1", dir_ + "Table/qor_table.dat", "0x10000000"}));

  // A second connect in the same program run uploads nothing.
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);
  EXPECT_EQ(runs.size(), 1u);
  session.Shutdown();
  EXPECT_FALSE(kelvara::testing::Exists(UploadMarkerPath(dir_)));
}

TEST_F(SessionTest, TheUpdaterIsTriedUpToFiveTimesAndAFailureStillOpensThePort) {
  const struct {
    const char* what;
    bool table;
    std::vector<int> statuses;  // of the updater's runs in turn; empty: no updater at all
    size_t runs;
    bool marker;
    bool message;
  } cases[] = {
      {"two failures, then success", true, {1, 1, 0}, 3, true, false},
      {"five failures", true, {1, 1, 1, 1, 1, 1}, 5, false, true},
      {"no table, no upload", false, {0}, 0, false, false},
      {"a missing updater counts as a failed upload", true, {}, 0, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    kelvara::testing::TempFolder folder("kelvara-session-upload");
    const std::string dir = folder.path() + "/";
    if (c.table) {
      mkdir((dir + "Table").c_str(), 0700);
      kelvara::testing::WriteFile(TableFilePath(dir), "table");
    }
    size_t runs = 0;
    ProgramRunner runner = SpawnAndWait;  // there is no updater in the folder
    if (!c.statuses.empty()) {
      runner = [&](const std::vector<std::string>&) { return c.statuses.at(runs++); };
    }
    SessionOptions options = Options(runner);
    options.program_folder = options.data_folder = dir;
    FakeCamera camera(1);
    RecordingObserver observer;
    Session session(camera, observer, std::move(options));
    EXPECT_EQ(session.Connect(1), ConnectResult::kConnected);
    EXPECT_EQ(runs, c.runs);
    EXPECT_EQ(kelvara::testing::Exists(UploadMarkerPath(dir)), c.marker);
    const std::vector<std::string> messages = observer.Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Failed to upload Qor table."), c.message ? 1 : 0);
  }
}

// Each case: what happens, and the states the observer hears from the
// first operation on.
struct TransitionCase {
  const char* what;
  std::function<void(FakeCamera&, Session&, RecordingObserver&)> act;
  std::vector<std::string> states;
};

TEST_F(SessionTest, StateTransitions) {
  const TransitionCase cases[] = {
      {"a vanished port",
       [](FakeCamera&, Session& s, RecordingObserver&) { EXPECT_EQ(s.Connect(2), ConnectResult::kOpenFailed); },
       {"Connecting", "Disconnected"}},
      {"a silent camera",
       [](FakeCamera& c, Session& s, RecordingObserver&) {
         c.SetSilent(true);
         EXPECT_EQ(s.Connect(1), ConnectResult::kNoAnswer);
       },
       {"Connecting", "Disconnected"}},
      {"stop during connect",
       [](FakeCamera& c, Session& s, RecordingObserver& o) {
         o.on_connecting = [&s] { s.Stop(); };
         EXPECT_EQ(s.Connect(1), ConnectResult::kCancelled);
         EXPECT_TRUE(c.Codes().empty());  // the camera was never asked anything
       },
       {"Connecting", "Disconnected"}},
      {"a refused start (not connected)",
       [](FakeCamera& c, Session& s, RecordingObserver&) {
         EXPECT_EQ(s.Start(RunRequest::SinglePicture()), StartOutcome::kRefused);
         EXPECT_EQ(s.StartLogging(), StartOutcome::kRefused);
         EXPECT_FALSE(s.Logging());
         EXPECT_TRUE(c.Codes().empty());
       },
       {}},
      {"a single picture ends by itself",
       [this](FakeCamera&, Session& s, RecordingObserver&) {
         ASSERT_EQ(s.Connect(1), ConnectResult::kConnected);
         EXPECT_EQ(s.Start(RunRequest::SinglePicture()), StartOutcome::kStarted);
         EXPECT_TRUE(Ended(s));
         EXPECT_EQ(s.LastSummary().frames, 1);
       },
       {"Connecting", "Ready", "Measuring", "Ready"}},
      {"the camera refuses the start command",
       [this](FakeCamera& c, Session& s, RecordingObserver& o) {
         ASSERT_EQ(s.Connect(1), ConnectResult::kConnected);
         c.RefuseStartFrom(0);
         EXPECT_EQ(s.Start(RunRequest::Continuous()), StartOutcome::kStarted);
         EXPECT_TRUE(Ended(s));
         EXPECT_EQ(s.LastSummary().end, RunEnd::kStartFailed);
         EXPECT_THAT(o.Messages(), Contains("Start measurement failed!!"));
       },
       {"Connecting", "Ready", "Measuring", "Ready"}},
      {"a format the camera refuses at the start of a run reverts with its message",
       [this](FakeCamera&, Session& s, RecordingObserver& o) {
         ASSERT_EQ(s.Connect(1), ConnectResult::kConnected);
         s.model().parameters().format.current = 2;  // the fake accepts only format 1
         EXPECT_EQ(s.Start(RunRequest::SinglePicture()), StartOutcome::kStarted);
         EXPECT_TRUE(Ended(s));
         EXPECT_EQ(s.model().parameters().format.current, 1);
         EXPECT_EQ(s.FormatIndex(), 1);
         EXPECT_EQ(s.RunParameters().format.current, 1);
         EXPECT_THAT(o.Messages(), Contains("Set parameter failed!! [ Format ]"));
       },
       {"Connecting", "Ready", "Measuring", "Ready"}},
      {"stop, then a start while the run still ends: the start waits for it",
       [this](FakeCamera& c, Session& s, RecordingObserver&) {
         ASSERT_EQ(s.Connect(1), ConnectResult::kConnected);
         c.HoldNextResult();
         EXPECT_EQ(s.Start(RunRequest::Continuous()), StartOutcome::kStarted);
         c.WaitUntilHeld();
         s.Stop();
         EXPECT_EQ(s.State(), SessionState::kStopping);
         EXPECT_EQ(s.Start(RunRequest::SinglePicture()), StartOutcome::kDeferred);
         c.Release();
         EXPECT_TRUE(Await([&] { return s.LastSummary().end == RunEnd::kFrameLimit; }));
         EXPECT_TRUE(Ended(s));
       },
       {"Connecting", "Ready", "Measuring", "Stopping", "Measuring", "Ready"}},
      {"disconnect during a run closes the port once the camera is stopped",
       [](FakeCamera& c, Session& s, RecordingObserver&) {
         ASSERT_EQ(s.Connect(1), ConnectResult::kConnected);
         c.HoldNextResult();
         EXPECT_EQ(s.Start(RunRequest::Continuous()), StartOutcome::kStarted);
         c.WaitUntilHeld();
         s.Disconnect();
         c.Release();
         EXPECT_TRUE(Await([&] { return s.State() == SessionState::kDisconnected; }));
         EXPECT_EQ(c.Codes().back(), CMD_STOP_MEASUREMENT);
         EXPECT_EQ(s.Start(RunRequest::SinglePicture()), StartOutcome::kRefused);
       },
       {"Connecting", "Ready", "Measuring", "Stopping", "Disconnected"}},
  };
  for (const TransitionCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeCamera camera(1);
    RecordingObserver observer;
    Session session(camera, observer, Options());
    c.act(camera, session, observer);
    session.WaitForEnd(60000);
    EXPECT_THAT(observer.States(), ElementsAreArray(c.states));
  }
}

TEST_F(SessionTest, FailedCyclesAreCountedByKind) {
  FakeCamera camera(1);
  camera.FailResults({1, 4});
  camera.WrongStartByte({2});
  camera.ShortResults({5});
  Session session(camera, observer_, Options());
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);
  ASSERT_EQ(session.Start(RunRequest::Cycles(8)), StartOutcome::kStarted);
  ASSERT_TRUE(Ended(session));
  const FrameHealth h = session.Health();
  EXPECT_EQ(h.frames_received, 4);
  EXPECT_EQ(h.no_response, 2);
  EXPECT_EQ(h.wrong_start_byte, 1);
  EXPECT_EQ(h.length_mismatch, 1);
  EXPECT_EQ(h.other_failures, 0);
  EXPECT_EQ(h.FailedCycles(), session.LastSummary().failed_cycles);
  EXPECT_EQ(h.frames_shown + h.frames_skipped, 4);
  EXPECT_EQ(h.last_frame_number, 3);
  // The observer heard the same at the end of the run.
  EXPECT_EQ(observer_.Health().FailedCycles(), 4);
}

TEST_F(SessionTest, LoggingRunOnTheSessionsScheduleWritesItsFilesAndEnds) {
  FakeCamera camera(1);
  Session session(camera, observer_, Options());
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);
  session.SetLoggingSchedule({3, 1, 0});
  session.logger().SetBinCheck(true);
  session.logger().StartRun(dir_, "t");
  ASSERT_EQ(session.StartLogging(), StartOutcome::kStarted);
  ASSERT_TRUE(Ended(session));
  EXPECT_EQ(session.LastSummary().end, RunEnd::kLoggingEnded);
  EXPECT_EQ(session.Health().frames_logged, 3);
  EXPECT_EQ(session.logger().WholeFrames(), 3);
  EXPECT_FALSE(session.Logging());
}

// Holds the work side at its first logged frame until released, and checks
// at every logged frame how far the receive side has run ahead.
class SlowLoggingObserver : public RecordingObserver {
 public:
  explicit SlowLoggingObserver(FakeCamera& camera) : camera_(camera) {}
  void LogProgress(int logged, int total) override {
    int results = 0;
    for (int c : camera_.Codes()) results += c == CMD_GET_RESULT;
    std::unique_lock<std::mutex> lock(mutex_);
    progress_.push_back(logged);
    most_ahead_ = std::max(most_ahead_, results - logged);
    if (logged == 1) {
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    }
    (void)total;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  std::vector<int> Progress() {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_;
  }
  int MostAhead() {
    std::lock_guard<std::mutex> lock(mutex_);
    return most_ahead_;
  }

 private:
  FakeCamera& camera_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
  std::vector<int> progress_;
  int most_ahead_ = 0;
};

TEST_F(SessionTest, ASlowWorkSideHoldsTheReceiveSideBackAndLosesNoLoggedFrame) {
  FakeCamera camera(1);
  SlowLoggingObserver observer(camera);
  Session session(camera, observer, Options());
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);
  session.SetLoggingSchedule({12, 1, 0});
  session.logger().SetBinCheck(true);
  mkdir((dir_ + "logs").c_str(), 0700);
  session.logger().StartRun(dir_ + "logs", "t");
  ASSERT_EQ(session.StartLogging(), StartOutcome::kStarted);
  // While the work side is held at the first frame, the receive side
  // fetches three frames ahead and then waits.
  auto results = [&] {
    int n = 0;
    for (int c : camera.Codes()) n += c == CMD_GET_RESULT;
    return n;
  };
  ASSERT_TRUE(Await([&] { return results() >= 4; }));
  observer.Release();
  ASSERT_TRUE(Ended(session));
  EXPECT_EQ(results(), 12) << "the logging run ended the run at its last frame";
  EXPECT_THAT(observer.Progress(), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12));
  EXPECT_LE(observer.MostAhead(), 3);
  const FrameHealth h = session.Health();
  EXPECT_EQ(h.frames_logged, 12);
  EXPECT_EQ(h.frames_received, 12);
  EXPECT_EQ(h.frames_skipped, 0) << "logged frames are always drawn";
  // Every frame's raw file, numbered in order, all the same scene.
  const std::string first = kelvara::testing::ReadFile(dir_ + "logs/t_body_0000.raw");
  EXPECT_EQ(first.size(), 153600u);
  for (int i = 1; i < 12; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "logs/t_body_%04d.raw", i);
    EXPECT_EQ(kelvara::testing::ReadFile(dir_ + name), first) << name;
  }
}

TEST_F(SessionTest, FramesComeInOrderAndTheDisplayMaySkipOnlyUnloggedOnes) {
  FakeCamera camera(1);
  SessionOptions options = Options();
  options.now_ns = [&camera] { return camera.NowNs(); };  // one step per result
  Session session(camera, observer_, std::move(options));
  ASSERT_EQ(session.Connect(1), ConnectResult::kConnected);
  ASSERT_EQ(session.Start(RunRequest::Cycles(50)), StartOutcome::kStarted);
  ASSERT_TRUE(Ended(session));
  // The work side saw every frame, in the order received.
  const std::vector<int64_t> receipts = observer_.Receipts();
  ASSERT_EQ(receipts.size(), 50u);
  for (size_t i = 1; i < receipts.size(); ++i) EXPECT_LT(receipts[i - 1], receipts[i]) << i;
  const FrameHealth h = session.Health();
  EXPECT_EQ(h.frames_received, 50);
  EXPECT_EQ(h.last_frame_number, 49);
  EXPECT_EQ(h.frames_shown + h.frames_skipped, 50);
  EXPECT_GE(h.frames_shown, 1) << "the newest frame is always drawn";
  EXPECT_EQ(h.frames_logged, 0);
}

}  // namespace
}  // namespace kelvara
