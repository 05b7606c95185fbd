#include "capture_signals.h"

#include <pthread.h>
#include <csignal>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "capture_options.h"

namespace kelvara {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&set, s);
  return set;
}

// Ends the process without running destructors or waiting for the worker.
[[noreturn]] void EndNow(const char* why) {
  // stderr may be the pipe that went away; a failed write changes nothing.
  std::fprintf(stderr, "kelvara-capture: %s\n", why);
  std::fflush(stderr);
  _exit(kExitInterrupted);
}

}  // namespace

CaptureSignals::CaptureSignals() {
  std::signal(SIGXFSZ, SIG_IGN);
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([this] { Watch(); }).detach();
}

int CaptureSignals::Poll() {
  polled_.store(true);
  const int count = count_.load();
  if (count == reported_) return 0;
  reported_ = count;
  return count >= 2 ? 2 : 1;
}

void CaptureSignals::Watch() {
  const sigset_t set = StopSignals();
  for (;;) {
    int signal_number = 0;
    if (sigwait(&set, &signal_number) != 0) continue;
    const int count = count_.fetch_add(1) + 1;
    // The main thread returning from main ends this thread with the process;
    // the pauses below only matter when it does not.
    if (count == 1) {
      // Not polled yet: still connecting. Give a run that is just starting
      // a moment to take the request over.
      for (int i = 0; i < 3 && !polled_.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!polled_.load()) EndNow("interrupted while connecting; nothing was logged");
    } else if (count == 2) {
      std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        EndNow("stopped at once; the camera may still be measuring");
      }).detach();
    }
  }
}

}  // namespace kelvara
