#pragma once
// A program run as a child process by a test or a benchmark.
//
//   kelvara::testing::ChildProcess child({program, "--port", "7"},
//                                        {ChildProcess::kCapture, ChildProcess::kCapture});
//   ASSERT_TRUE(child.started()) << child.error();
//   ASSERT_TRUE(child.ReadLine(&line));               // e.g. a ready line
//   EXPECT_EQ(child.Terminate(), 0);                  // SIGTERM, then SIGKILL
//
// No shell: argv[0] is the program's path. The child starts with no signal
// blocked and default signal handling. Whatever happens, the destructor
// ends (SIGTERM, then SIGKILL) and reaps a child still running.
#include <sys/types.h>
#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {
namespace testing {

class ChildProcess {
 public:
  // Where the child's standard output or error goes.
  enum Stream { kInherit, kDiscard, kCapture };
  struct Options {
    Stream out = kInherit;
    Stream err = kInherit;
  };

  explicit ChildProcess(const std::vector<std::string>& argv) : ChildProcess(argv, Options()) {}
  ChildProcess(const std::vector<std::string>& argv, Options options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False when the program could not be started (reason in error()).
  bool started() const { return started_; }
  const std::string& error() const { return error_; }
  // The child's id while it has not been reaped, else -1.
  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0; }

  // Waits until the child has ended and reaps it, collecting captured
  // output meanwhile. Returns its exit status (0..255), or 128 + the signal
  // number when a signal ended it; nothing when it still runs after
  // `timeout` (it is left running). Once reaped, returns the same again.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  int Wait();  // without a time limit
  // The raw wait status of the reaped child (see waitpid), -1 before.
  int wait_status() const { return wait_status_; }

  // Sends SIGTERM (or `signal`), waits up to `grace` for the end, then
  // sends SIGKILL; always reaps. Returns the exit status as Wait does.
  int Terminate(std::chrono::milliseconds grace = std::chrono::seconds(30), int signal = SIGTERM);

  // The next line of captured standard output, without its '\n'; false
  // when the output ended or no whole line came within `timeout`.
  bool ReadLine(std::string* line, std::chrono::milliseconds timeout = std::chrono::seconds(60));

  // Reads what the child has written so far, without waiting.
  void ReadAvailable() { Pump(0); }
  // Captured output read so far (all of it once the child is reaped);
  // ReadLine takes its lines away from out().
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  // Reads what the pipes hold, waiting up to `timeout_ms` (-1: no limit)
  // for something to happen: data, the end of a pipe or of the child.
  void Pump(int timeout_ms);
  bool ReapIfEnded();

  bool started_ = false;
  std::string error_;
  pid_t pid_ = -1;
  int pidfd_ = -1;  // becomes readable when the child ends; -1 if unsupported
  int out_fd_ = -1;
  int err_fd_ = -1;
  int wait_status_ = -1;
  std::string out_;
  std::string err_;
};

// Runs `argv` to its end with standard output discarded and returns its
// exit status as ChildProcess::Wait does (127 when it cannot be started);
// `err`, when given, receives its standard error.
int RunProgram(const std::vector<std::string>& argv, std::string* err = nullptr);

// Runs `body` in a forked copy of this process (for a test that must give
// up privileges, say) and returns what it returned, as an exit status
// (0..255; 128 + signal when a signal ended it, -1 when fork failed). The
// copy holds only the calling thread: `body` must not wait for others.
int RunForked(const std::function<int()>& body);

}  // namespace testing
}  // namespace kelvara
