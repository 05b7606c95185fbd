// kelvara-capture: headless capture with the client's measurement loop.
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <string>

#include "camera_link.h"
#include "capture_console.h"
#include "capture_options.h"
#include "capture_session.h"
#include "capture_signals.h"

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

  kelvara::CaptureSignals signals;
  auto stop_requests = [&signals]() { return signals.Poll(); };

  kelvara::CaptureConsole console(stderr, isatty(STDERR_FILENO) != 0);
  return kelvara::RunCapture(options, ProgramFolder(), kelvara::UartSerialLibrary(), nullptr, console, stop_requests);
}
