#include "testing/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace kelvara {
namespace testing {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

int ExitStatus(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

// Makes `fd` of the child its end of a fresh pipe; returns our end (-1 on error).
int AddPipe(posix_spawn_file_actions_t* actions, int fd, int* child_end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_adddup2(actions, ends[1], fd);
  *child_end = ends[1];
  return ends[0];
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, Options options) {
  if (argv.empty()) {
    error_ = "no program";
    return;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int child_ends[2] = {-1, -1};
  const Stream modes[2] = {options.out, options.err};
  int* ours[2] = {&out_fd_, &err_fd_};
  for (int i = 0; i < 2; ++i) {
    const int fd = i == 0 ? STDOUT_FILENO : STDERR_FILENO;
    if (modes[i] == kDiscard) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
    if (modes[i] == kCapture) *ours[i] = AddPipe(&actions, fd, &child_ends[i]);
  }

  // The test runner (or a sanitizer) may block or ignore signals; the child
  // handles them as a program started from a shell would.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  const bool pipes_ok = (options.out != kCapture || out_fd_ >= 0) && (options.err != kCapture || err_fd_ >= 0);
  int rc = pipes_ok ? posix_spawn(&pid_, args[0], &actions, &attributes, args.data(), environ) : errno;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  for (int fd : child_ends)
    if (fd >= 0) close(fd);
  if (rc != 0) {
    pid_ = -1;
    error_ = "cannot start " + argv[0] + ": " + std::strerror(rc);
    return;
  }
  started_ = true;
  pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Terminate(std::chrono::seconds(10));
  for (int fd : {pidfd_, out_fd_, err_fd_})
    if (fd >= 0) close(fd);
}

bool ChildProcess::ReapIfEnded() {
  if (pid_ <= 0) return true;
  int status = 0;
  pid_t r;
  while ((r = waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (r == 0) return false;
  wait_status_ = r == pid_ ? status : -1;  // -1: someone else reaped it
  pid_ = -1;
  if (pidfd_ >= 0) close(pidfd_);
  pidfd_ = -1;
  return true;
}

void ChildProcess::Pump(int timeout_ms) {
  pollfd fds[3];
  std::string* sinks[3] = {&out_, &err_, nullptr};
  int* ends[3] = {&out_fd_, &err_fd_, &pidfd_};
  nfds_t count = 0;
  int which[3];
  for (int i = 0; i < 3; ++i) {
    if (*ends[i] < 0) continue;
    fds[count] = {*ends[i], POLLIN, 0};
    which[count++] = i;
  }
  // Without a pidfd the end of the child cannot be polled: look again soon.
  if (pidfd_ < 0 && pid_ > 0 && (timeout_ms < 0 || timeout_ms > 10)) timeout_ms = 10;
  if (poll(fds, count, timeout_ms) <= 0) return;
  for (nfds_t k = 0; k < count; ++k) {
    const int i = which[k];
    if (fds[k].revents == 0 || sinks[i] == nullptr) continue;
    char buf[4096];
    const ssize_t n = read(*ends[i], buf, sizeof buf);
    if (n > 0) {
      sinks[i]->append(buf, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      close(*ends[i]);
      *ends[i] = -1;
    }
  }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (!started_) return std::nullopt;
  const auto deadline = Clock::now() + timeout;
  // Ended and every captured stream read to its end (a grandchild holding
  // a pipe open does not keep us past the deadline).
  for (;;) {
    const bool ended = ReapIfEnded();
    if (ended && out_fd_ < 0 && err_fd_ < 0) break;
    const int left = MsLeft(deadline);
    if (left == 0) {
      if (!ended) return std::nullopt;
      break;
    }
    Pump(left);
  }
  return ExitStatus(wait_status_);
}

int ChildProcess::Wait() {
  if (!started_) return -1;
  for (;;) {
    const bool ended = ReapIfEnded();
    if (ended && out_fd_ < 0 && err_fd_ < 0) break;
    Pump(-1);
  }
  return ExitStatus(wait_status_);
}

int ChildProcess::Terminate(std::chrono::milliseconds grace, int signal) {
  if (!started_) return -1;
  if (pid_ > 0) kill(pid_, signal);
  if (std::optional<int> status = Wait(grace)) return *status;
  if (pid_ > 0) kill(pid_, SIGKILL);
  return Wait();
}

bool ChildProcess::ReadLine(std::string* line, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  size_t end;
  while ((end = out_.find('\n')) == std::string::npos) {
    const int left = MsLeft(deadline);
    if (out_fd_ < 0 || left == 0) return false;
    Pump(left);
  }
  line->assign(out_, 0, end);
  out_.erase(0, end + 1);
  return true;
}

int RunProgram(const std::vector<std::string>& argv, std::string* err) {
  ChildProcess child(argv, {ChildProcess::kDiscard, ChildProcess::kCapture});
  if (!child.started()) {
    if (err) *err = child.error();
    return 127;
  }
  const int status = child.Wait();
  if (err) *err = child.err();
  return status;
}

int RunForked(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) _exit(body() & 0xFF);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return ExitStatus(status);
}

}  // namespace testing
}  // namespace kelvara
