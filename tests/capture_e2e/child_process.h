#pragma once
// Runs a program as a child process with its stderr captured.
#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvara {
namespace testing {

class ChildProcess {
 public:
  // Starts `argv[0]` with `argv` (no shell). Stdout goes to /dev/null.
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Waits for the exit, collects stderr; returns the exit status, or 128 +
  // signal number when it was killed by a signal.
  int Wait();
  const std::string& err() const { return err_; }

 private:
  pid_t pid_ = -1;
  int err_fd_ = -1;
  std::string err_;
};

// Runs to the end and returns the exit status; `err` receives stderr.
int RunProgram(const std::vector<std::string>& argv, std::string* err);

}  // namespace testing
}  // namespace kelvara
