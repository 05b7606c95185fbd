#include "feed3d/viewer_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <thread>
#include <vector>

extern char** environ;

namespace kelvara {
namespace {

// Reaps without waiting; true when the child has ended (or is gone).
bool ReapIfEnded(pid_t pid, int* status) {
  for (;;) {
    pid_t r = waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r == 0) return false;
    if (errno != EINTR) return true;  // ECHILD: nothing left to reap
  }
}

}  // namespace

ViewerProcess::~ViewerProcess() { Running(); }

bool ViewerProcess::Start(const std::string& program) {
  if (Running()) return false;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::string name = program.substr(program.find_last_of('/') + 1);
  std::vector<char*> argv = {name.data(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return false;
  pid_ = pid;
  return true;
}

bool ViewerProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (!ReapIfEnded(pid_, &status)) return true;
  pid_ = -1;
  return false;
}

int ViewerProcess::Terminate(std::chrono::milliseconds grace) {
  if (pid_ <= 0) return -1;
  int status = 0;
  bool ended = ReapIfEnded(pid_, &status);
  if (!ended) {
    kill(pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + grace;
    while (!(ended = ReapIfEnded(pid_, &status)) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!ended) {
    kill(pid_, SIGKILL);
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kelvara
