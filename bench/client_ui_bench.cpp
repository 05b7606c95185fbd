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
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "camsim/testing/sim_process.h"
#include "config/connection_panel.h"
#include "config/notifier.h"
#include "config/testing/recording_notifier.h"
#include "display/picture_window.h"
#include "feed3d/angle_file.h"
#include "link/camera_link.h"
#include "link/serial_library.h"
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
