// kelvara-capture: headless capture with the client's measurement loop.
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <string>

#include "capture/capture_console.h"
#include "capture/capture_options.h"
#include "capture/capture_session.h"
#include "capture/capture_signals.h"
#include "common/program_info.h"
#include "common/runtime_dir.h"
#include "link/camera_link.h"

namespace {

// The folder of "3d_data/", as the client keeps it: the program folder, or
// for an installed copy (program folder not writable) the runtime directory.
std::string ThreeDDataParent() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string s(path, static_cast<size_t>(n));
  const std::string program_folder = s.substr(0, s.rfind('/') + 1);
  if (access(program_folder.c_str(), W_OK) == 0) return program_folder;
  const std::string runtime = kelvara::EnsureRuntimeDir();
  return runtime.empty() ? program_folder : runtime + "/";
}

}  // namespace

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "kelvara-capture")) return kelvara::kExitOk;
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
  return kelvara::RunCapture(options, ThreeDDataParent(), kelvara::UartSerialLibrary(), nullptr, console,
                             stop_requests);
}
