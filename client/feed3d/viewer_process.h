#pragma once
// The viewer process that the client started itself: started without a
// shell or terminal, ended with SIGTERM and, after a grace time, SIGKILL,
// and always reaped.
#include <sys/types.h>
#include <chrono>
#include <string>

namespace kelvara {

class ViewerProcess {
 public:
  ViewerProcess() = default;
  ~ViewerProcess();  // reaps an ended child; a running viewer is left running
  ViewerProcess(const ViewerProcess&) = delete;
  ViewerProcess& operator=(const ViewerProcess&) = delete;

  // Starts `program` with the argument vector {name of the program} alone,
  // in a new session, with standard input and output on /dev/null, no other
  // inherited descriptors, default signal handling and the client's
  // environment and working folder. False when it cannot be started.
  bool Start(const std::string& program);

  // Whether a process is held (started and not yet forgotten).
  bool Holds() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Whether the held process still runs; an ended one is reaped and forgotten.
  bool Running();

  // SIGTERM, then SIGKILL when it has not ended within `grace`; reaped and
  // forgotten. Returns the exit status when it exited, -1 otherwise.
  int Terminate(std::chrono::milliseconds grace = std::chrono::milliseconds(1000));

 private:
  pid_t pid_ = -1;
};

}  // namespace kelvara
