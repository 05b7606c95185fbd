// Playback of a 20 fps pattern recording in the client's session, as the
// playback bar plays it: the session over the recording's serial seam and
// the playback gate, every frame decoded and rendered into the picture and
// written to the 3D export ring. Counters: the rate asked (20 fps times the
// speed), the rate achieved over the recording, and the frames lost
// (failed cycles, and frames of the recording never received). Goal: the
// asked rate up to 4x with no frame lost.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <chrono>
#include <string>
#include <thread>

#include "bench/pattern_recording.h"
#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"
#include "config/notifier.h"
#include "measure/measurement_outputs.h"
#include "playback/camera_switch.h"
#include "recording/recording_writer.h"
#include "session/session.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

constexpr int kFrames = 40;
constexpr double kRecordedFps = 20;

class Quiet : public Notifier, public MeasurementOutputs {
 public:
  void ShowMessage(const std::string&, MessageIcon) override {}
  void CentreReadout(const std::string&) override {}
  void MonitorUpdate(double, const TemperatureSample&) override {}
  void LogProgress(int, int) override {}
  void LoggingRunEnded() override {}
  void RunEndedByItself() override {}
};

// No live camera: the recording is the only one.
class NoPorts : public SerialLibrary {
 public:
  void Close() override {}
  int GetActive(signed char*, int) override { return 0; }
  int Init(int, int) override { return 0; }
  void Clear() override {}
  int SendCommand(int, int, const unsigned char*) override { return -1; }
  int ReceiveSync(int, int, unsigned char*) override { return 0; }
};

std::string Folder() {
  static const kelvara::testing::TempFolder folder("kelvara-playback-bench");
  return folder.path();
}

// kFrames pattern frames in format 5, 50 ms apart.
std::string Recording() {
  static const std::string path = [] {
    const std::string p = Folder() + "/pattern20.kvrec";
    WritePatternRecording(p, kFrames, static_cast<int64_t>(1e9 / kRecordedFps));
    mkdir((Folder() + "/3d_data").c_str(), 0700);
    return p;
  }();
  return path;
}

// range(0): the speed in quarters (1x = 4).
void BM_Playback(benchmark::State& state) {
  const double speed = static_cast<double>(state.range(0)) / 4.0;
  Quiet quiet;
  ForwardingObserver observer(quiet, quiet);
  NoPorts live;
  CameraSwitch camera(live);
  std::string error;
  if (!camera.OpenRecording(Recording(), &error)) return state.SkipWithError(error.c_str());
  SessionOptions options;
  options.program_folder = Folder() + "/";
  options.data_folder = Folder() + "/";
  options.refresh_angle_file = false;
  options.frame_gate = &camera;
  Session session(camera, observer, std::move(options));
  if (session.Connect(0, false) != ConnectResult::kConnected) return state.SkipWithError("connect failed");
  session.control().display3d.stopped = 0;  // the 3D export ring is written
  PlaybackControl& playback = camera.control();
  playback.SetSpeed(speed);
  double seconds = 0;
  int64_t received = 0, shown = 0, lost = 0;
  for (auto _ : state) {
    // The first frame, then played to the end: frame 1 comes at once, each
    // later one after its recorded gap at the speed asked.
    camera.control().Reset(camera.recording()->FrameTimes());
    const StartOutcome outcome = session.Start(RunRequest::Continuous());
    if (outcome != StartOutcome::kStarted && outcome != StartOutcome::kDeferred) return state.SkipWithError("no run");
    while (playback.Status().shown < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto start = std::chrono::steady_clock::now();
    playback.Play();
    while (!(playback.Status().paused && playback.Status().shown == kFrames - 1))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto end = std::chrono::steady_clock::now();
    session.Stop();
    session.WaitForEnd(60000);
    seconds += std::chrono::duration<double>(end - start).count();
    const FrameHealth health = session.LastSummary().health;
    received += health.frames_received;
    shown += health.frames_shown;
    lost += health.FailedCycles() + (kFrames - health.frames_received);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  session.Shutdown();
  const double iterations = static_cast<double>(state.iterations());
  state.counters["asked_fps"] = kRecordedFps * speed;
  state.counters["achieved_fps"] = seconds > 0 ? (kFrames - 2) * iterations / seconds : 0;
  state.counters["frames_lost"] = static_cast<double>(lost) / iterations;
  state.counters["frames_received"] = static_cast<double>(received) / iterations;
  state.counters["frames_shown"] = static_cast<double>(shown) / iterations;
}
BENCHMARK(BM_Playback)->Arg(4)->Arg(8)->Arg(16)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvara
