// kelvara-capture: headless capture with the client's measurement loop.
#include <climits>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <unistd.h>

#include "camera_link.h"
#include "capture_console.h"
#include "capture_options.h"
#include "capture_session.h"

namespace {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string s(path, static_cast<size_t>(n));
  return s.substr(0, s.rfind('/') + 1);
}

}  // namespace

int main(int argc, char** argv) {
  kelvara::CaptureOptions options;
  const std::string error = kelvara::ParseCaptureOptions(argc, argv, &options);
  if (!error.empty()) {
    std::fprintf(stderr, "kelvara-capture: %s (see --help)\n", error.c_str());
    return kelvara::kExitUsage;
  }
  if (options.help) {
    std::fputs(kelvara::CaptureUsage().c_str(), stdout);
    return kelvara::kExitOk;
  }

  // SIGINT and SIGTERM are blocked before any thread starts and collected by
  // the main thread with sigtimedwait, so the worker thread never sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  int interrupts = 0;
  auto stop_requests = [&]() {
    const timespec now{0, 0};
    if (sigtimedwait(&signals, nullptr, &now) > 0) return ++interrupts >= 2 ? 2 : 1;
    return 0;
  };

  kelvara::CaptureConsole console(stderr, isatty(STDERR_FILENO) != 0);
  kelvara::CameraLink link(kelvara::UartSerialLibrary());
  return kelvara::RunCapture(options, ProgramFolder(), link, console, stop_requests);
}
