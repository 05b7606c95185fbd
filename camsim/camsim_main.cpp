// kelvara-camsim: a simulated camera on a pseudo-terminal.
#include <fcntl.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <string>

#include "camsim/pty_port.h"
#include "camsim/replay_scene.h"
#include "camsim/scene.h"
#include "camsim/sim_camera.h"
#include "camsim/sim_options.h"
#include "camsim/sim_server.h"
#include "common/program_info.h"

namespace {

int g_stop_write = -1;

void OnStopSignal(int) {
  const char b = 1;
  // Nothing to do when the pipe is full: a byte is already waiting.
  (void)!write(g_stop_write, &b, 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "kelvara-camsim")) return 0;
  using namespace kelvara::camsim;
  SimOptions options;
  std::string error;
  if (!ParseSimOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "kelvara-camsim: %s\n%s", error.c_str(), kSimUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kSimUsage, stdout);
    return 0;
  }

  int stop[2];
  if (pipe2(stop, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("kelvara-camsim: pipe");
    return 1;
  }
  g_stop_write = stop[1];
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<Scene> scene;
  if (options.replay.empty()) {
    scene = MakeScene(options.scene, options.faults.seed, options.warm_up_minutes);
  } else {
    std::string summary;
    scene = ReplayScene::Open({options.replay, options.loop, static_cast<double>(options.fps)}, &error, &summary);
    if (!scene) {
      std::fprintf(stderr, "kelvara-camsim: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(stderr, "kelvara-camsim: %s\n", summary.c_str());
  }
  PtyPort pty;
  if (!pty.Open(&error) || !pty.Register(options.port, &error)) {
    std::fprintf(stderr, "kelvara-camsim: %s\n", error.c_str());
    return 1;
  }
  SimCamera camera(*scene, Clock::now());
  SimServer server(pty.master(), stop[0], camera, options.faults, options.link_rate);
  std::printf("COM%d %s\n", pty.port(), pty.device_path().c_str());
  std::fflush(stdout);
  const int rc = server.Run();
  pty.Unregister();
  return rc;
}
