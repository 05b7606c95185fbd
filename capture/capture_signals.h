#pragma once
// The signals of kelvara-capture. SIGINT, SIGTERM, SIGHUP (the terminal went
// away) and SIGPIPE (a reader of our output went away) all ask the run to
// end cleanly; they are blocked in every thread and collected by a watcher
// thread of their own, so that one arriving while the main thread waits on
// the camera is still seen at once. SIGXFSZ is ignored: a file size limit is
// an ordinary write error that the log writers report.
//
// The run asks `Poll` about every 100 ms once its measurement runs. Before
// that (the connect sequence, which can wait seconds on a silent camera) a
// stop request ends the program at once, since nothing has been logged; a
// second request ends it within a second whatever the link is doing.
namespace kelvara {

// One per program: its watcher thread outlives main's locals, so the state
// it shares lives at namespace scope.
class CaptureSignals {
 public:
  // Call before any other thread starts.
  CaptureSignals();
  CaptureSignals(const CaptureSignals&) = delete;
  CaptureSignals& operator=(const CaptureSignals&) = delete;

  // 0 nothing new, 1 stop the logging run cleanly, 2 stop at once.
  int Poll();

 private:
  static void Watch();

  int reported_ = 0;
};

}  // namespace kelvara
