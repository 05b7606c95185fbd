// The client's UI thread while a run goes on at the simulator's full rate:
// each iteration posts a zero-delay timer and measures how long the event
// loop takes to reach it (the worker posts a picture, a centre readout and
// once a second the monitor values; the picture window paints every frame
// it gets). Counters: the longest wait (goal: under 50 ms) and the frames
// per second the run reached meanwhile.
//
// The "Pixel" readout: a mouse move over the picture window until the
// status bar names the pixel, during such a run.
//
// The connect sequence: Connect pressed until the window shows the server
// version, against the same exchanges made directly on a link.
//
// Playback in the client: a 20 fps recording played at 1x, 2x and 4x with
// the picture window shown and, on an X display, the 3D view open (the real
// viewer). Counters: the rate asked and achieved, the frames lost and the
// UI thread's longest wait meanwhile.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "bench/pattern_recording.h"
#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"
#include "camsim/testing/sim_process.h"
#include "config/connection_panel.h"
#include "config/notifier.h"
#include "config/testing/recording_notifier.h"
#include "display/picture_window.h"
#include "display/view_panel.h"
#include "feed3d/angle_file.h"
#include "link/camera_link.h"
#include "link/serial_library.h"
#include "playback/camera_switch.h"
#include "recording/recording_writer.h"
#include "shell/client_paths.h"
#include "shell/kelvara_dlg.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

// Runs the event loop until `condition` holds or `ms` have passed.
bool WaitFor(const std::function<bool()>& condition, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

struct ClientOnSim {
  testing::PrivateRuntimeDir runtime;
  std::unique_ptr<testing::SimProcess> sim;
  std::string folder;
  RecordingNotifier notifier;
  std::unique_ptr<CKelvaraDlg> dlg;

  bool Start(benchmark::State& state, const char* scene) {
    sim = testing::SimProcess::Start({"--scene", scene});
    if (!sim) {
      state.SkipWithError(testing::SimProcess::last_error().c_str());
      return false;
    }
    folder = runtime.path() + "/client/";
    ClientPaths paths{KELVARA_PROGRAM_FOLDER, folder + "Kelvara.ini", folder};
    PrepareClientFolders(paths);
    close(open((folder + "uploaded").c_str(), O_CREAT | O_WRONLY, 0600));  // no table upload
    Display3DOptions no3d;
    no3d.window_exists = [] { return true; };
    dlg = std::make_unique<CKelvaraDlg>(paths, notifier, UartSerialLibrary(), std::move(no3d));
    dlg->show();
    auto* ports = dlg->findChild<QComboBox*>("id1001");
    ports->setCurrentIndex(ports->findText(QStringLiteral("COM%1").arg(sim->port())));
    return true;
  }
  bool Connect() {
    dlg->connection()->Connect();
    return WaitFor([&] { return dlg->windowTitle().contains("Server Version"); }, 10000);
  }
  ~ClientOnSim() {
    if (dlg) dlg->close();
  }
};

void BM_UiLatencyDuringRun(benchmark::State& state) {
  ClientOnSim client;
  if (!client.Start(state, "pattern") || !client.Connect()) {
    state.SkipWithError("cannot connect to the simulator");
    return;
  }
  PostWindowMessage(client.dlg.get(), UWM_START_MEASUREMENT, 0, -1);
  WaitFor([&] { return client.dlg->outputs().PicturesChanged() >= 3; }, 10000);
  const long frames_before = client.dlg->outputs().PicturesChanged();
  QElapsedTimer run;
  run.start();
  double longest_ms = 0;
  for (auto _ : state) {
    bool fired = false;
    QElapsedTimer wait;
    wait.start();
    QTimer::singleShot(0, [&] { fired = true; });
    while (!fired) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = static_cast<double>(wait.nsecsElapsed()) / 1e6;
    longest_ms = std::max(longest_ms, ms);
    state.SetIterationTime(ms / 1000.0);
    WaitFor([] { return false; }, 5);  // let the worker's posts come as they would
  }
  const double seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
  state.counters["longest_wait_ms"] = longest_ms;
  state.counters["frames_per_s"] =
      static_cast<double>(client.dlg->outputs().PicturesChanged() - frames_before) / seconds;
  PostWindowMessage(client.dlg.get(), UWM_STOP_MEASUREMENT);
}

// The "Pixel" readout while a run goes on at full rate: each iteration moves
// the mouse over the picture window to another pixel and measures until the
// status bar's item names it (goal: well within one frame). Counter: the
// longest.
void BM_PixelReadoutDuringRun(benchmark::State& state) {
  ClientOnSim client;
  if (!client.Start(state, "pattern") || !client.Connect()) {
    state.SkipWithError("cannot connect to the simulator");
    return;
  }
  PostWindowMessage(client.dlg.get(), UWM_START_MEASUREMENT, 0, -1);
  WaitFor([&] { return client.dlg->outputs().PicturesChanged() >= 3; }, 10000);
  CViewPicture* picture = client.dlg->picture();
  QLabel* pixel = client.dlg->status()->pixel();
  double longest_ms = 0;
  int i = 0;
  for (auto _ : state) {
    const QPoint at(60 + (i * 7) % 200, 40 + (i * 5) % 150);
    ++i;
    QElapsedTimer wait;
    wait.start();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(picture->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &move);
    const double ms = static_cast<double>(wait.nsecsElapsed()) / 1e6;
    if (!pixel->text().startsWith(QStringLiteral("Pixel ("))) {
      state.SkipWithError("no readout under the mouse");
      break;
    }
    longest_ms = std::max(longest_ms, ms);
    state.SetIterationTime(ms / 1000.0);
    WaitFor([] { return false; }, 2);  // frames go on meanwhile
  }
  state.counters["longest_ms"] = longest_ms;
  PostWindowMessage(client.dlg.get(), UWM_STOP_MEASUREMENT);
}

void BM_ConnectSequence(benchmark::State& state) {
  ClientOnSim client;
  if (!client.Start(state, "pattern")) return;
  for (auto _ : state) {
    if (!client.Connect()) {
      state.SkipWithError("connect failed");
      break;
    }
    state.PauseTiming();
    client.dlg->connection()->Refresh();
    state.ResumeTiming();
  }
}

// The exchanges of the connect sequence alone: stop, version, angle table
// and the ten parameter groups; with argument 1 also the port's open and
// close and the angle file, the rest of what Connect does.
void BM_ConnectExchanges(benchmark::State& state) {
  const bool whole = state.range(0) == 1;
  testing::PrivateRuntimeDir runtime;
  auto sim = testing::SimProcess::Start({"--scene", "pattern"});
  if (!sim) {
    state.SkipWithError(testing::SimProcess::last_error().c_str());
    return;
  }
  CameraLink link(UartSerialLibrary());
  if (!link.Open(sim->port())) {
    state.SkipWithError("cannot open the simulator's port");
    return;
  }
  unsigned char status = 0;
  const std::string angle_path = runtime.path() + "/angle.csv";
  for (auto _ : state) {
    if (whole) {
      link.Close();
      link.Open(sim->port());
    }
    VersionReply version;
    ThetaPhiTable table;
    uint16_t format = 0;
    int value = 0;
    ExposureRecord exposure;
    RotationRecord rotation;
    ResponseSpeedRecord speed;
    link.StopMeasurement(&status);
    link.GetVersion(&status, &version);
    link.GetAngleTable(&status, &table);
    if (whole) WriteAngleFile(angle_path, table);
    link.GetFormat(&status, &format);
    link.GetMode(&status, &value);
    link.GetExposure(&status, &exposure);
    link.GetAmpMinAll(&status, &value);
    link.GetAmpMinNear(&status, &value);
    link.GetRotation(&status, &rotation);
    link.GetLedFreqId(&status, &value);
    link.GetPilotLed(&status, &value);
    link.GetResponseSpeed(&status, &speed);
    link.GetEnrThreshold(&status, &value);
  }
  link.Close();
}

// range(0): the speed in quarters (1x = 4).
void BM_PlaybackInClient(benchmark::State& state) {
  constexpr int kFrames = 80;
  const double speed = static_cast<double>(state.range(0)) / 4.0;
  testing::PrivateRuntimeDir runtime;
  const std::string folder = runtime.path() + "/client/";
  ClientPaths paths{KELVARA_PROGRAM_FOLDER, folder + "Kelvara.ini", folder};
  PrepareClientFolders(paths);
  // kFrames pattern frames in format 5, 50 ms apart.
  const std::string path = folder + "pattern20.kvrec";
  if (!WritePatternRecording(path, kFrames, 50000000LL)) {
    state.SkipWithError("cannot write the recording");
    return;
  }
  const bool with_3d = std::getenv("DISPLAY") != nullptr;
  Display3DOptions no3d;
  no3d.window_exists = [] { return true; };
  RecordingNotifier notifier;
  auto dlg = std::make_unique<CKelvaraDlg>(paths, notifier, UartSerialLibrary(),
                                           with_3d ? Display3DOptions() : std::move(no3d));
  dlg->show();
  dlg->OpenRecording(path);
  auto* start = dlg->view()->findChild<QAbstractButton*>("id3000");
  if (!dlg->camera_switch().PlaysRecording() || !WaitFor([&] { return start->isEnabled(); }, 10000)) {
    state.SkipWithError("the recording did not open");
    return;
  }
  for (QComboBox* box : dlg->findChildren<QComboBox*>())
    if (box->accessibleName() == QLatin1String("Speed")) box->setCurrentText(QString::number(speed) + "x");
  if (with_3d) {
    dlg->view()->findChild<QAbstractButton*>("id3002")->click();
    WaitFor([&] { return dlg->session().Display3DOn(); }, 60000);
  }
  double longest_ms = 0, seconds = 0;
  int64_t received = 0, failed = 0;
  for (auto _ : state) {
    QElapsedTimer run;
    run.start();
    start->click();
    // Until the last frame is on screen, measuring the UI thread's waits.
    while (dlg->camera_switch().control().Status().shown < kFrames - 1 && run.elapsed() < 60000) {
      bool fired = false;
      QElapsedTimer wait;
      wait.start();
      QTimer::singleShot(0, [&] { fired = true; });
      while (!fired) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      longest_ms = std::max(longest_ms, static_cast<double>(wait.nsecsElapsed()) / 1e6);
      WaitFor([] { return false; }, 5);
    }
    seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
    state.SetIterationTime(seconds);
    start->click();  // Stop
    WaitFor([&] { return !dlg->WorkerRunning(); }, 10000);
    received = dlg->session().Health().frames_received;  // the run's, once it has ended
    failed = dlg->session().Health().FailedCycles();
  }
  // The first frame was on screen before Play: the run received the others.
  state.counters["asked_fps"] = 20.0 * speed;
  state.counters["achieved_fps"] = static_cast<double>(kFrames - 1) / std::max(1e-9, seconds);
  state.counters["frames_lost"] = static_cast<double>(failed + std::max<int64_t>(0, kFrames - 1 - received));
  state.counters["longest_ui_wait_ms"] = longest_ms;
  state.counters["with_3d"] = with_3d ? 1 : 0;
  if (with_3d) dlg->view()->findChild<QAbstractButton*>("id3002")->click();
  dlg->close();
}

}  // namespace
}  // namespace kelvara

BENCHMARK(kelvara::BM_UiLatencyDuringRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(kelvara::BM_PixelReadoutDuringRun)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(kelvara::BM_ConnectSequence)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(kelvara::BM_ConnectExchanges)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
BENCHMARK(kelvara::BM_PlaybackInClient)
    ->Arg(4)
    ->Arg(8)
    ->Arg(16)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
