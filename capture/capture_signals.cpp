#include "capture/capture_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <csignal>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "capture/capture_options.h"

namespace kelvara {
namespace {

// Stop requests seen, and whether the run has asked yet.
std::atomic<int> g_count{0};
std::atomic<bool> g_polled{false};

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
  std::thread(&CaptureSignals::Watch).detach();
}

int CaptureSignals::Poll() {
  g_polled.store(true);
  const int count = g_count.load();
  if (count == reported_) return 0;
  reported_ = count;
  return count >= 2 ? 2 : 1;
}

void CaptureSignals::Watch() {
  const sigset_t set = StopSignals();
  for (;;) {
    int signal_number = 0;
    if (sigwait(&set, &signal_number) != 0) continue;
    const int count = g_count.fetch_add(1) + 1;
    // The main thread returning from main ends this thread with the process;
    // the pauses below only matter when it does not.
    if (count == 1) {
      // Not polled yet: still connecting. Give a run that is just starting
      // a moment to take the request over.
      for (int i = 0; i < 3 && !g_polled.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!g_polled.load()) EndNow("interrupted while connecting; nothing was logged");
    } else if (count == 2) {
      std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        EndNow("stopped at once; the camera may still be measuring");
      }).detach();
    }
  }
}

}  // namespace kelvara
