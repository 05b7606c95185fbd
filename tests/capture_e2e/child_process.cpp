#include "child_process.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvara {
namespace testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    // Unblock what the test runner may have blocked; the child handles
    // SIGINT and SIGTERM itself.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(fds[1], STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  err_fd_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    Wait();
  }
  if (err_fd_ >= 0) close(err_fd_);
}

int ChildProcess::Wait() {
  if (pid_ <= 0) return -1;
  char buf[4096];
  ssize_t n;
  while ((n = read(err_fd_, buf, sizeof buf)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    err_.append(buf, static_cast<size_t>(n));
  }
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int RunProgram(const std::vector<std::string>& argv, std::string* err) {
  ChildProcess child(argv);
  const int status = child.Wait();
  if (err) *err = child.err();
  return status;
}

}  // namespace testing
}  // namespace kelvara
