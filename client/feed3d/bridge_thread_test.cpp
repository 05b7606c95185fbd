#include "feed3d/bridge_thread.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <functional>
#include <string>
#include <vector>

#include "config/profile_store.h"
#include "config/testing/recording_notifier.h"
#include "config/testing/temp_program_folder.h"
#include "feed3d/testing/fake_velmar.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::TempProgramFolder;
using testing::WriteFile;

// Pauses that take no time: each is recorded, then the test's script runs
// (it may change the view range or format, or stop 3D display).
class ScriptedPacer : public BridgePacer {
 public:
  explicit ScriptedPacer(Display3DState* state) : state_(state) {}
  bool Pause(int ms) override {
    pauses.push_back(ms);
    if (script) script(static_cast<int>(pauses.size()) - 1);
    return state_->stopped.load() == 0;
  }
  void Wake() override {}

  std::vector<int> pauses;
  std::function<void(int index)> script;

 private:
  Display3DState* state_;
};

class BridgeThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeVelmar_Reset();
    ASSERT_EQ(symlink(FAKE_VELMAR_PATH, (folder.path() + "libvelmar.so").c_str()), 0);
    IniSetFilePath(folder.path() + "Kelvara.ini");
    state.stopped = 0;
    state.format_index = 1;
    state.SetViewRange(0, 12500);
  }

  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (int i = 0; i < FakeVelmar_CallCount(); ++i) calls.push_back(FakeVelmar_Call(i));
    return calls;
  }

  void Run() { Run(folder.path(), nullptr); }
  void Run(const std::string& data_folder, Notifier* notifier) {
    BridgeRun run;
    run.data_folder = data_folder;
    run.notifier = notifier;
    run.state = &state;
    run.pacer = &pacer;
    RunBridgeThread(run);
  }

  // Stops 3D display at the pause with this index.
  void StopAtPause(int index) {
    pacer.script = [this, index](int i) {
      if (i == index) state.stopped = 1;
    };
  }

  std::string Data(int slot) const { return "data " + folder.path() + "3d_data/data_" + std::to_string(slot) + ".bin"; }

  TempProgramFolder folder;
  Display3DState state;
  ScriptedPacer pacer{&state};
};

TEST_F(BridgeThreadTest, InitialPushesInOrderThenTheSettleWait) {
  IniWriteString("3D", "DistanceRatio", "2.5");
  state.SetViewRange(300, 4000);
  StopAtPause(5);  // the first pass's pause
  Run();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"range 300 4000", "ratio 2.5", "color 300 4000",
                                               "angle " + folder.path() + "3d_data/angle.csv"}));
  EXPECT_EQ(pacer.pauses, (std::vector<int>{100, 100, 100, 100, 3000, 150}));
  // Both values are written back, as read.
  std::string interval, ratio;
  IniReadString("3D", "UpdateInterval", "", &interval);
  IniReadString("3D", "DistanceRatio", "", &ratio);
  EXPECT_EQ(interval, "150");
  EXPECT_EQ(ratio, "2.5");
}

TEST_F(BridgeThreadTest, AProfilePassedInIsReadAndWrittenInsteadOfTheProcessWideOne) {
  const std::string own = folder.path() + "own.ini";
  Profile(own).WriteInt("3D", "UpdateInterval", 400);
  Profile(own).WriteString("3D", "DistanceRatio", "3.5");
  StopAtPause(5);  // the first pass's pause
  BridgeRun run;
  run.data_folder = folder.path();
  run.profile_path = own;
  run.state = &state;
  run.pacer = &pacer;
  RunBridgeThread(run);
  EXPECT_EQ(Calls()[1], "ratio 3.5");
  EXPECT_EQ(pacer.pauses.back(), 400);
  EXPECT_EQ(Profile(own).ReadInt("3D", "UpdateInterval", 0), 400);
  EXPECT_NE(access(folder.ini().c_str(), F_OK), 0);  // the process-wide profile stays unwritten
}

TEST_F(BridgeThreadTest, ARefusedPushIsRetriedEvery100ms) {
  FakeVelmar_Refuse("range", 2);
  FakeVelmar_Refuse("angle", 1);
  StopAtPause(8);
  Run();
  std::string angle = "angle " + folder.path() + "3d_data/angle.csv";
  EXPECT_EQ(Calls(), (std::vector<std::string>{"range 0 12500", "range 0 12500", "range 0 12500", "ratio 1",
                                               "color 0 12500", angle, angle}));
  EXPECT_EQ(pacer.pauses, (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 3000, 150}));
}

TEST_F(BridgeThreadTest, AStopDuringThePushesSkipsTheRest) {
  FakeVelmar_Refuse("ratio", 1000);
  StopAtPause(3);  // while the ratio is being retried
  Run();
  EXPECT_EQ(Calls(), (std::vector<std::string>{"range 0 12500", "ratio 1", "ratio 1"}));
  EXPECT_EQ(pacer.pauses.size(), 4u);
}

TEST_F(BridgeThreadTest, PassesRouteTheNewestFrameByFormat) {
  IniWriteInt("3D", "UpdateInterval", 1000);
  WriteFile(folder.path() + "3d_data/data_no", "3");
  pacer.script = [this](int i) {
    if (i == 7) state.format_index = 2;  // before the third pass
    if (i == 8) state.format_index = 4;
    if (i == 9) WriteFile(folder.path() + "3d_data/data_no", "5");
    if (i == 10) unlink((folder.path() + "3d_data/data_no").c_str());
    if (i == 11) state.stopped = 1;
  };
  Run();
  std::vector<std::string> calls = Calls();
  ASSERT_EQ(calls.size(), 4u + 5u);
  EXPECT_EQ(std::vector<std::string>(calls.begin() + 4, calls.end()),
            (std::vector<std::string>{Data(3), Data(3), "coordinates " + folder.path() + "3d_data/data_3.bin", Data(3),
                                      Data(5)}));
  // Every pass waits the profile's interval.
  EXPECT_EQ(std::vector<int>(pacer.pauses.begin() + 5, pacer.pauses.end()), (std::vector<int>(7, 1000)));
}

TEST_F(BridgeThreadTest, ARangeChangeGoesFirstOnePartPerPass) {
  WriteFile(folder.path() + "3d_data/data_no", "0");
  pacer.script = [this](int i) {
    if (i == 6) state.SetViewRange(500, 4000);  // before the second pass
    if (i == 9) {                               // before the fifth pass
      state.SetViewRange(600, 5000);
      FakeVelmar_Refuse("range", 1);
    }
    if (i == 11) state.stopped = 1;
  };
  Run();
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::vector<std::string>(calls.begin() + 4, calls.end()),
            (std::vector<std::string>{Data(0), "range 500 4000", "color 500 4000", Data(0),
                                      // a refused distance range: the same pass goes on
                                      "range 600 5000", "color 600 5000", Data(0)}));
}

TEST_F(BridgeThreadTest, AMissingLibraryOrFunctionEndsTheThreadSilently) {
  for (const char* library : {"", FAKE_VELMAR_PARTIAL_PATH}) {
    SCOPED_TRACE(library);
    unlink((folder.path() + "libvelmar.so").c_str());
    if (*library) {
      ASSERT_EQ(symlink(library, (folder.path() + "libvelmar.so").c_str()), 0);
    }
    Run();
    EXPECT_TRUE(pacer.pauses.empty());
    EXPECT_TRUE(Calls().empty());
    // No profile write-back.
    EXPECT_NE(access((folder.path() + "Kelvara.ini").c_str(), F_OK), 0);
  }
}

// A push the viewer can never take is reported once, switches 3D display
// off and ends the thread, instead of being retried: a data folder whose
// path holds a comma or is too long for a message (checked before any
// push), and a library that refuses a message for good.
TEST_F(BridgeThreadTest, APermanentRefusalIsReportedOnceAndEndsTheStart) {
  const std::string comma = folder.path() + "a,b/";
  const std::string deep = folder.path() + std::string(240, 'd') + "/";
  for (const std::string& data_folder : {comma, deep}) {
    SCOPED_TRACE(data_folder);
    FakeVelmar_Reset();
    RecordingNotifier notifier;
    ASSERT_EQ(mkdir(data_folder.c_str(), 0700), 0);
    ASSERT_EQ(symlink(FAKE_VELMAR_PATH, (data_folder + "libvelmar.so").c_str()), 0);
    state.stopped = 0;
    pacer.pauses.clear();
    Run(data_folder, &notifier);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{BridgeRefusalMessage(data_folder)});
    EXPECT_EQ(notifier.Icons(), std::vector<MessageIcon>{MessageIcon::kExclamation});
    EXPECT_EQ(state.stopped.load(), 1);
  }

  // The library's own verdict: the angle push refused as too long (-2).
  FakeVelmar_Reset();
  RecordingNotifier notifier;
  state.stopped = 0;
  FakeVelmar_RefuseWith("angle", 1000, -2);
  pacer.pauses.clear();
  Run(folder.path(), &notifier);
  EXPECT_EQ(Calls().back(), "angle " + folder.path() + "3d_data/angle.csv");
  EXPECT_EQ(Calls().size(), 4u);  // not retried
  EXPECT_EQ(notifier.Messages().size(), 1u);
  EXPECT_EQ(state.stopped.load(), 1);
}

TEST_F(BridgeThreadTest, OddProfileValues) {
  IniWriteString("3D", "UpdateInterval", "-5");
  IniWriteString("3D", "DistanceRatio", "abc");
  StopAtPause(6);
  Run();
  EXPECT_EQ(Calls()[1], "ratio 0");
  // A negative interval would spin: the passes pause 1 ms.
  EXPECT_EQ(pacer.pauses[5], 1);
  std::string interval;
  IniReadString("3D", "UpdateInterval", "", &interval);
  EXPECT_EQ(interval, "-5");
}

}  // namespace
}  // namespace kelvara
