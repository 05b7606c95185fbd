#include "measure/measurement_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camsim/pattern_scene.h"
#include "config/testing/recording_notifier.h"
#include "display/rendering_model.h"
#include "display/view_filters.h"
#include "link/camera_link.h"
#include "logging/log_writer.h"
#include "measure/testing/fake_camera.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::Exists;
using testing::ReadFile;

using ::testing::ElementsAre;

constexpr int64_t kSecond = 1000000000;

// Records the worker's outputs as one ordered list of events.
class RecordingOutputs : public MeasurementOutputs {
 public:
  void CentreReadout(const std::string& text) override { Add("frame " + text); }
  void MonitorUpdate(double, const TemperatureSample& s) override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("monitor");
    samples_.push_back(s);
  }
  void LogProgress(int logged, int total) override {
    Add("progress " + std::to_string(logged) + "/" + std::to_string(total));
  }
  void LoggingRunEnded() override { Add("logging ended"); }
  void RunEndedByItself() override { Add("ended by itself"); }

  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  std::vector<TemperatureSample> Samples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return samples_;
  }
  // The events that match a prefix.
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : Events())
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }
  int Count(const std::string& prefix) const { return static_cast<int>(Only(prefix).size()); }

 private:
  void Add(std::string e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(e));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
  std::vector<TemperatureSample> samples_;
};

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    ASSERT_EQ(mkdir((dir_ + "/3d_data").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir_ + "/logs").c_str(), 0700), 0);
    control_.data_folder = dir_ + "/";
  }
  // Runs one whole measurement against `camera` and waits for its end.
  RunSummary RunWith(FakeCamera& camera, const RunRequest& request) {
    CameraLink link(camera, NoPause);
    MeasurementWorker worker(Context(link, camera));
    EXPECT_EQ(worker.Start(request), StartResult::kStarted);
    worker.Wait();
    EXPECT_FALSE(worker.Running());
    return worker.LastSummary();
  }
  RunSummary RunWith(FakeCamera& camera, int cycles) { return RunWith(camera, RunRequest::Cycles(cycles)); }
  MeasurementContext Context(CameraLink& link, FakeCamera& camera, Notifier* notifier = nullptr) {
    return MeasurementContext{link,
                              control_,
                              picture_,
                              logger_,
                              notifier ? *notifier : notifier_,
                              outputs_,
                              [] { return DeviceParameters{}; },
                              [&camera] { return camera.NowNs(); }};
  }
  static void NoPause(int) {}
  // A logging run into logs/ with name "t", the way the logging panel starts one.
  void StartLogging(int total, int once, int interval, bool csv = false) {
    logger_.SetCsvCheck(csv);
    logger_.SetBinCheck(true);
    logger_.SetPcdCheck(true);
    logger_.SetFormatIndex(control_.display3d.format_index);
    logger_.SetSchedule({total, once, interval});
    logger_.StartRun(dir_ + "/logs", "t");
    control_.StartLogging(total, once, interval);
  }
  std::string Log(const std::string& name) const { return dir_ + "/logs/" + name; }

  kelvara::testing::TempFolder folder_{"kelvara-loop"};
  std::string dir_;
  RunControl control_;
  RenderingModel picture_;
  LogWriter logger_;
  RecordingNotifier notifier_;
  RecordingOutputs outputs_;
};

TEST_F(LoopTest, SinglePictureRunsOneCycleThenStopsTheCamera) {
  control_.display3d.format_index = 1;
  FakeCamera camera(1);
  RunSummary s = RunWith(camera, 1);
  EXPECT_THAT(camera.Codes(), ElementsAre(CMD_START_MEASUREMENT, CMD_GET_RESULT, CMD_GET_IMAGER_TEMPERATURE,
                                          CMD_GET_LED_TEMPERATURE, CMD_STOP_MEASUREMENT));
  // Centre pixel (row 119, column 159): 400 + 16 * 119 + 159.
  EXPECT_THAT(outputs_.Events(), ElementsAre("frame  2463 mm", "monitor", "ended by itself"));
  const TemperatureSample t = outputs_.Samples().at(0);
  EXPECT_EQ(t.upper_left, 350);
  EXPECT_EQ(t.lower_right, 356);
  EXPECT_EQ(t.led, 300);
  EXPECT_EQ(t.sampled, 0);
  EXPECT_EQ(s.end, RunEnd::kFrameLimit);
  EXPECT_EQ(s.frames, 1);
  EXPECT_TRUE(picture_.ReadPicture().SlotReady(0));
  EXPECT_TRUE(notifier_.Messages().empty());
}

TEST_F(LoopTest, RefusedStartRunsNoCycleButStillStopsAndTells) {
  FakeCamera camera(1);
  camera.RefuseStartFrom(0);
  RunSummary s = RunWith(camera, RunRequest::Continuous());
  EXPECT_THAT(camera.Codes(), ElementsAre(CMD_START_MEASUREMENT, CMD_STOP_MEASUREMENT));
  EXPECT_THAT(notifier_.Messages(), ElementsAre("Start measurement failed!!"));
  EXPECT_THAT(notifier_.Icons(), ElementsAre(MessageIcon::kExclamation));
  EXPECT_FALSE(control_.RunsCycles());
  EXPECT_THAT(outputs_.Events(), ElementsAre("ended by itself"));
  EXPECT_EQ(s.end, RunEnd::kStartFailed);
}

TEST_F(LoopTest, TenFailedCyclesContinueTheEleventhEndsTheRun) {
  control_.display3d.format_index = 1;
  {
    FakeCamera camera(1);
    camera.FailResults({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    RunSummary s = RunWith(camera, 12);
    EXPECT_TRUE(notifier_.Messages().empty());
    EXPECT_EQ(s.frames, 2);
    EXPECT_EQ(s.failed_cycles, 10);
    EXPECT_EQ(s.end, RunEnd::kFrameLimit) << "failed cycles count towards the limit";
  }
  {
    FakeCamera camera(1);
    camera.FailResults({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    RunSummary s = RunWith(camera, RunRequest::Continuous());
    EXPECT_THAT(notifier_.Messages(), ElementsAre("Get mesurement result failed!!"));
    EXPECT_EQ(s.frames, 1);
    EXPECT_EQ(s.failed_cycles, 11);
    EXPECT_EQ(s.end, RunEnd::kFailures);
    EXPECT_EQ(camera.Codes().back(), CMD_STOP_MEASUREMENT);
  }
  {
    // A single picture whose one cycle fails ends quietly.
    FakeCamera camera(1);
    camera.FailResults({0});
    RunSummary s = RunWith(camera, 1);
    EXPECT_EQ(notifier_.Messages().size(), 1u);
    EXPECT_EQ(s.end, RunEnd::kFrameLimit);
  }
}

TEST_F(LoopTest, RateAndTemperaturesOncePerSecondAndNotWhenSamplingStops) {
  control_.display3d.format_index = 1;
  FakeCamera camera(1);
  camera.SetResultStepNs(kSecond / 4);  // four frames per second
  RunWith(camera, 9);                   // elapsed seconds 0,0,0,1,1,1,1,2,2
  EXPECT_EQ(outputs_.Count("monitor"), 3);
  int temperature_reads = 0;
  for (int c : camera.Codes()) temperature_reads += c == CMD_GET_IMAGER_TEMPERATURE;
  EXPECT_EQ(temperature_reads, 3);

  control_.SetStopSampling(true);
  FakeCamera quiet(1);
  StartLogging(2, 1, 0);
  RunWith(quiet, 2);
  for (int c : quiet.Codes()) EXPECT_NE(c, CMD_GET_IMAGER_TEMPERATURE);
  EXPECT_EQ(outputs_.Samples().back().sampled, -1);
  EXPECT_FALSE(Exists(Log("t_temp.csv")));
  EXPECT_TRUE(Exists(Log("t_body_0001.raw")));
}

TEST_F(LoopTest, BurstsOfOnceFramesWithTemperatureLinesAtBurstStarts) {
  control_.display3d.format_index = 1;
  FakeCamera camera(1);
  StartLogging(5, 2, 0);
  RunSummary s = RunWith(camera, 8);
  EXPECT_THAT(outputs_.Only("progress"),
              ElementsAre("progress 1/5", "progress 2/5", "progress 3/5", "progress 4/5", "progress 5/5"));
  EXPECT_EQ(outputs_.Count("logging ended"), 1);
  EXPECT_EQ(s.frames_logged, 5);
  EXPECT_FALSE(control_.LoggingOpen());
  for (int n = 0; n < 5; ++n) EXPECT_TRUE(Exists(Log("t_body_000" + std::to_string(n) + ".raw"))) << n;
  EXPECT_FALSE(Exists(Log("t_body_0005.raw")));
  // Header plus lines for log numbers 0, 2 and 4.
  const std::string temp = ReadFile(Log("t_temp.csv"));
  EXPECT_EQ(std::count(temp.begin(), temp.end(), '\n'), 4) << temp;
  EXPECT_NE(ReadFile(Log("t.txt")).find("Number of samples : 5\r\n"), std::string::npos);
  // Distance(Polar): the logging run ends with the angle logs, fetched
  // while the camera is stopped, then the camera measures again.
  const std::vector<int> codes = camera.Codes();
  const auto angle = std::find(codes.begin(), codes.end(), CMD_GET_ANGLE_TABLE);
  ASSERT_NE(angle, codes.end());
  EXPECT_EQ(*(angle - 1), CMD_STOP_MEASUREMENT);
  EXPECT_EQ(*(angle + 1), CMD_START_MEASUREMENT);
  EXPECT_EQ(*(angle + 2), CMD_GET_RESULT);
  EXPECT_TRUE(Exists(Log("t_theta.raw")));
  EXPECT_EQ(s.end, RunEnd::kFrameLimit) << "the run outlives a logging run it did not start";
}

TEST_F(LoopTest, IntervalSpacesBurstStartsInWholeSeconds) {
  control_.display3d.format_index = 2;
  FakeCamera camera(2);
  camera.SetResultStepNs(kSecond / 2);  // elapsed seconds per cycle: 0,1,1,2,2,3,3,4,...
  StartLogging(4, 2, 3);
  RunWith(camera, 10);
  // The next burst begins at the first cycle whose whole seconds are at
  // least 3 past the start of the previous complete burst.
  std::vector<std::string> events = outputs_.Events();
  std::vector<int> logged_at;  // cycle index of every logged frame
  int cycle = -1;
  for (const std::string& e : events) {
    if (e.rfind("frame", 0) == 0) ++cycle;
    if (e.rfind("progress", 0) == 0) logged_at.push_back(cycle);
  }
  // Cycle k receives its frame at (k + 1) / 2 s: whole seconds 0,1,1,2,2,3,3,4.
  // Burst 1: cycles 0 and 1 (start second 0); burst 2: first cycle at second
  // >= 3, that is cycle 5, and cycle 6.
  EXPECT_THAT(logged_at, ElementsAre(0, 1, 5, 6));
  EXPECT_FALSE(Exists(Log("t_theta.raw"))) << "no angle logs outside the polar formats";
  for (int c : camera.Codes()) EXPECT_NE(c, CMD_GET_ANGLE_TABLE);
  EXPECT_TRUE(Exists(Log("t_0003.pcd")));
}

TEST_F(LoopTest, LoggingRunThatStartedTheRunEndsItAndAStopRequestLogsOneMore) {
  control_.display3d.format_index = 5;
  FakeCamera camera(5);
  StartLogging(3, 1, 0);
  RunSummary s = RunWith(camera, RunRequest::Continuous().EndingWithLogging());
  EXPECT_EQ(s.end, RunEnd::kLoggingEnded);
  EXPECT_EQ(s.frames_logged, 3);
  EXPECT_FALSE(control_.StopsAfterLogging());
  EXPECT_EQ(outputs_.Events().back(), "ended by itself");

  // A stop request ("Stop" of the logging panel) logs exactly one more frame.
  FakeCamera second(5);
  StartLogging(100, 1, 0);
  control_.StopLogging();
  s = RunWith(second, RunRequest::Continuous().EndingWithLogging());
  EXPECT_EQ(s.frames_logged, 1);
  EXPECT_EQ(outputs_.Only("progress").back(), "progress 1/-1");
  EXPECT_NE(ReadFile(Log("t.txt")).find("Number of samples : 1\r\n"), std::string::npos);
}

// A played-back recording's gate as the worker meets it: `frames` frames,
// the end, then a stop (the user's "Stop" after the rest on the last frame).
class EndingGate : public FrameGate {
 public:
  explicit EndingGate(int frames) : frames_(frames) {}
  GateResult AwaitFrame(const std::function<bool()>&) override {
    ++calls_;
    if (calls_ <= frames_) return GateResult::kFrame;
    return calls_ == frames_ + 1 ? GateResult::kEnded : GateResult::kStopped;
  }
  void Wake() override {}

 private:
  int frames_;
  int calls_ = 0;
};

// At a recording's end a logging run still open ends with the frames it
// got (none twice), its settings block written, and says so; the run
// itself rests on the last frame unless the logging run started it.
TEST_F(LoopTest, ARecordingsEndEndsAnOpenLoggingRunWithTheFramesItGot) {
  struct Case {
    const char* name;
    int total;  // frames asked for; 0: no logging run
    RunRequest request;
    RunEnd end;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"logging during a run",
       10,
       RunRequest::Continuous(),
       RunEnd::kStopRequest,
       {"The recording ended: 3 of 10 frames logged."}},
      {"logging that started the run",
       10,
       RunRequest::Continuous().EndingWithLogging(),
       RunEnd::kLoggingEnded,
       {"The recording ended: 3 of 10 frames logged."}},
      {"no logging", 0, RunRequest::Continuous(), RunEnd::kStopRequest, {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    RecordingNotifier notifier;
    control_.display3d.format_index = 1;
    FakeCamera camera(1);
    if (k.total > 0) StartLogging(k.total, 1, 0);
    EndingGate gate(3);
    CameraLink link(camera, NoPause);
    MeasurementContext context = Context(link, camera, &notifier);
    context.gate = &gate;
    MeasurementWorker worker(context);
    ASSERT_EQ(worker.Start(k.request), StartResult::kStarted);
    worker.Wait();
    const RunSummary s = worker.LastSummary();
    EXPECT_EQ(s.end, k.end);
    EXPECT_EQ(s.frames, 3);
    EXPECT_EQ(s.frames_logged, k.total > 0 ? 3 : 0);
    EXPECT_FALSE(control_.LoggingOpen());
    EXPECT_EQ(notifier.Messages(), k.messages);
    if (k.total > 0) {
      EXPECT_NE(ReadFile(Log("t.txt")).find("Number of samples : 3\r\n"), std::string::npos);
    }
  }
}

// "Stop" of the logging panel that arrives after the logging run ended (the
// two cross) must not start a logging run of one stray frame.
TEST_F(LoopTest, AStopLoggingAfterTheEndLogsNothing) {
  control_.display3d.format_index = 2;
  FakeCamera camera(2);
  StartLogging(2, 1, 0);
  EXPECT_EQ(RunWith(camera, 3).frames_logged, 2);
  ASSERT_FALSE(control_.LoggingOpen());
  control_.StopLogging();
  EXPECT_FALSE(control_.LoggingOpen());
  FakeCamera next(2);
  const RunSummary s = RunWith(next, 3);
  EXPECT_EQ(s.frames_logged, 0);
  EXPECT_EQ(outputs_.Count("logging ended"), 1);
}

TEST_F(LoopTest, ExportRingCyclesSixSlotsWhileThreeDIsOn) {
  control_.display3d.format_index = 4;
  control_.display3d.stopped = 0;
  FakeCamera camera(4);
  RunWith(camera, 8);
  const std::vector<unsigned char> frame = pattern::Frame(4);
  for (int slot = 0; slot < 6; ++slot) {
    const std::string bytes = ReadFile(dir_ + "/3d_data/data_" + std::to_string(slot) + ".bin");
    ASSERT_EQ(bytes.size(), 614400u) << slot;
    EXPECT_EQ(std::memcmp(bytes.data(), frame.data(), bytes.size()), 0) << slot;
  }
  EXPECT_EQ(ReadFile(dir_ + "/3d_data/data_no"), "1") << "frames 0..7 went to slots 0..5, 0, 1";

  control_.display3d.stopped = 1;
  ASSERT_EQ(std::remove((dir_ + "/3d_data/data_no").c_str()), 0);
  FakeCamera off(4);
  RunWith(off, 2);
  EXPECT_FALSE(Exists(dir_ + "/3d_data/data_no"));
}

// A "Distance(Polar)+AMP" frame of a step from 1000 to 2000 mm with one
// mixed column (1500 mm) between the two surfaces, amplitude 100.
constexpr int kMixedColumn = 160;
std::vector<unsigned char> EdgeFrame() {
  std::vector<unsigned char> f = pattern::Frame(4);
  for (int i = 0; i < kPixelCount; ++i) {
    const int column = i % kFrameWidth;
    const int d = column < kMixedColumn ? 1000 : column == kMixedColumn ? 1500 : 2000;
    f[2 * i] = static_cast<unsigned char>(d & 0xFF);
    f[2 * i + 1] = static_cast<unsigned char>(d >> 8);
    f[kPlane1Offset + 2 * i] = 100;
    f[kPlane1Offset + 2 * i + 1] = 0;
  }
  return f;
}

int16_t Word(const std::string& bytes, int index) {
  return static_cast<int16_t>(static_cast<unsigned char>(bytes[2 * index]) |
                              static_cast<unsigned char>(bytes[2 * index + 1]) << 8);
}

// The filters change the picture and the 3D view at the edge; every log
// file (the PNG too) stays what the camera sent.
TEST_F(LoopTest, FiltersChangeThePictureAndTheThreeDViewNeverTheLogs) {
  control_.display3d.format_index = 4;
  control_.display3d.stopped = 0;
  picture_.display_format = 4;
  logger_.SetPngSaver([this](const std::string& path) { return picture_.SaveImageAsPng(path, 0); });
  const int row = 119;
  const int mixed = row * kFrameWidth + kMixedColumn;
  std::map<std::string, std::string> logs[2];
  int16_t shown[2] = {0, 0}, exported[2] = {0, 0};
  uint32_t colour[2] = {0, 0};
  for (int filtered : {0, 1}) {
    control_.SetFilters(filtered ? kAllFilters : 0);
    const std::string folder = dir_ + "/logs/" + std::to_string(filtered);
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    logger_.SetCsvCheck(true);
    logger_.SetPngCheck(true);
    logger_.SetBinCheck(true);
    logger_.SetFormatIndex(4);
    logger_.SetSchedule({3, 1, 0});
    logger_.StartRun(folder, "t");
    control_.StartLogging(3, 1, 0);
    FakeCamera camera(4);
    camera.SetFrame(EdgeFrame());
    RunWith(camera, 4);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      logs[filtered][entry.path().filename().string()] = ReadFile(entry.path().string());
    {
      const PictureReader picture = picture_.ReadPicture();
      shown[filtered] = picture.SamplePlane(0)[mixed];
      colour[filtered] = picture.SlotPixels(0)[mixed];
    }
    exported[filtered] = Word(ReadFile(dir_ + "/3d_data/data_3.bin"), mixed);
  }
  EXPECT_EQ(shown[0], 1500);
  EXPECT_EQ(shown[1], DIST_NO_DATA) << "the mixed pixel is shown as no data";
  EXPECT_NE(colour[0], colour[1]);
  EXPECT_EQ(exported[0], 1500);
  EXPECT_EQ(exported[1], DIST_NO_DATA) << "and exported as no data";
  ASSERT_TRUE(logs[0].count("t_0000.png") && logs[0].count("t_body_0000.raw")) << logs[0].size();
  for (const auto& [name, bytes] : logs[0]) {
    if (name.find("temp") != std::string::npos || name == "t.txt") continue;  // times and temperatures
    ASSERT_TRUE(logs[1].count(name)) << name;
    EXPECT_TRUE(logs[1][name] == bytes) << name << " differs with the filters on";
  }
  EXPECT_EQ(Word(logs[1]["t_body_0000.raw"], mixed), 1500) << "the camera's value";
}

// The run flag is only set when a run begins, so the stop-after-logging
// flag of an earlier run never ends a later one.
TEST_F(LoopTest, ARunStartsWithItsOwnStopAfterLoggingFlag) {
  struct Case {
    const char* what;
    int format_index;
    RunRequest first;
    int refuse_start_from;  // -1: the camera starts every time
    RunEnd first_end;
  };
  const Case cases[] = {
      {"the frame limit came before the end of the logging run", 5, RunRequest::Cycles(2).EndingWithLogging(), -1,
       RunEnd::kFrameLimit},
      {"the restart after the angle table failed", 1, RunRequest::Continuous().EndingWithLogging(), 1,
       RunEnd::kRestartFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    control_.display3d.format_index = c.format_index;
    FakeCamera first(c.format_index);
    first.RefuseStartFrom(c.refuse_start_from);
    StartLogging(c.refuse_start_from >= 0 ? 1 : 100, 1, 0);
    EXPECT_EQ(RunWith(first, c.first).end, c.first_end);

    // A run the user started, with a logging run inside: it outlives the
    // logging run.
    FakeCamera second(c.format_index);
    StartLogging(2, 1, 0);
    const RunSummary s = RunWith(second, 6);
    EXPECT_EQ(s.frames_logged, 2);
    EXPECT_EQ(s.end, RunEnd::kFrameLimit);
    EXPECT_EQ(s.frames, 6);
  }
}

TEST_F(LoopTest, StopRequestIsSilentAndANewStartIsQueuedBehindTheEndingRun) {
  control_.display3d.format_index = 1;
  FakeCamera camera(1);
  CameraLink link(camera, NoPause);
  MeasurementWorker worker(Context(link, camera));
  camera.HoldNextResult();
  ASSERT_EQ(worker.Start(RunRequest::Continuous()), StartResult::kStarted);
  camera.WaitUntilHeld();  // the worker is inside a result exchange
  worker.RequestStop();
  EXPECT_TRUE(worker.Running()) << "a stop request does not wait";

  // The next start returns at once; its run must not talk to the camera
  // before the first run has stopped it.
  EXPECT_EQ(worker.Start(RunRequest::SinglePicture()), StartResult::kQueued);
  camera.Release();
  worker.Wait();
  EXPECT_FALSE(worker.Running());
  const std::vector<int> codes = camera.Codes();
  ASSERT_GE(codes.size(), 4u);
  EXPECT_EQ(codes[0], CMD_START_MEASUREMENT);
  const auto first_stop = std::find(codes.begin(), codes.end(), CMD_STOP_MEASUREMENT);
  ASSERT_NE(first_stop, codes.end());
  EXPECT_EQ(*(first_stop + 1), CMD_START_MEASUREMENT) << "second run starts after the first one stopped";
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_START_MEASUREMENT), 2);
  EXPECT_EQ(outputs_.Count("ended by itself"), 1) << "only the second run ended by itself";
  EXPECT_EQ(worker.LastSummary().end, RunEnd::kFrameLimit);
}

TEST_F(LoopTest, AStopRequestDropsAQueuedStart) {
  control_.display3d.format_index = 1;
  FakeCamera camera(1);
  CameraLink link(camera, NoPause);
  MeasurementWorker worker(Context(link, camera));
  camera.HoldNextResult();
  ASSERT_EQ(worker.Start(RunRequest::Continuous()), StartResult::kStarted);
  camera.WaitUntilHeld();
  ASSERT_EQ(worker.Start(RunRequest::SinglePicture()), StartResult::kQueued);
  worker.RequestStop();
  camera.Release();
  worker.Wait();
  const std::vector<int> codes = camera.Codes();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_START_MEASUREMENT), 1);
  EXPECT_EQ(worker.LastSummary().end, RunEnd::kStopRequest);
}

// A notifier whose message boxes stay open until the test dismisses them,
// the way a box shown on the user-interface thread holds the worker.
class BlockingNotifier : public Notifier {
 public:
  void ShowMessage(const std::string& text, MessageIcon) override {
    std::unique_lock<std::mutex> lock(mutex_);
    messages_.push_back(text);
    changed_.notify_all();
    changed_.wait(lock, [this] { return dismissed_; });
  }
  void WaitUntilShowing() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !messages_.empty(); });
  }
  void DismissAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    dismissed_ = true;
    changed_.notify_all();
  }
  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> messages_;
  bool dismissed_ = false;
};

TEST_F(LoopTest, AStartWhileTheWorkerShowsAMessageIsQueuedNotAwaited) {
  control_.display3d.format_index = 1;
  FakeCamera camera(1);
  camera.FailResults({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  CameraLink link(camera, NoPause);
  BlockingNotifier boxes;
  MeasurementWorker worker(Context(link, camera, &boxes));
  ASSERT_EQ(worker.Start(RunRequest::Continuous()), StartResult::kStarted);
  boxes.WaitUntilShowing();  // the worker waits for this thread now

  // Waiting here for the ending run would never return: only this thread
  // dismisses the box.
  EXPECT_EQ(worker.Start(RunRequest::SinglePicture()), StartResult::kQueued);
  EXPECT_TRUE(worker.Running());
  boxes.DismissAll();
  worker.Wait();
  EXPECT_THAT(boxes.Messages(), ElementsAre("Get mesurement result failed!!"));
  const RunSummary s = worker.LastSummary();
  EXPECT_EQ(s.end, RunEnd::kFrameLimit) << "the queued single picture ran";
  EXPECT_EQ(s.frames, 1);
  const std::vector<int> codes = camera.Codes();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_START_MEASUREMENT), 2);
  EXPECT_EQ(codes.back(), CMD_STOP_MEASUREMENT);
}

}  // namespace
}  // namespace kelvara
