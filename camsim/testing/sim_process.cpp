#include "sim_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kelvara {
namespace testing {
namespace {

using Clock = std::chrono::steady_clock;

std::string g_last_error;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

int RemoveEntry(const char* path, const struct stat*, int, FTW*) { return remove(path); }

}  // namespace

PrivateRuntimeDir::PrivateRuntimeDir() {
  char tmpl[] = "/tmp/kelvara-test-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) std::abort();
  path_ = tmpl;
  setenv("KELVARA_RUNTIME_DIR", path_.c_str(), 1);
  setenv("KELVARA_PORT_DIR", (path_ + "/ports").c_str(), 1);
}

PrivateRuntimeDir::~PrivateRuntimeDir() {
  nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  unsetenv("KELVARA_RUNTIME_DIR");
  unsetenv("KELVARA_PORT_DIR");
}

std::string SimProcess::ProgramPath() { return KELVARA_CAMSIM_PATH; }

const std::string& SimProcess::last_error() { return g_last_error; }

std::unique_ptr<SimProcess> SimProcess::Start(const std::vector<std::string>& args, int port,
                                              int ready_timeout_ms) {
  std::vector<std::string> argv_s = {ProgramPath()};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  if (port != 0) {
    argv_s.push_back("--port");
    argv_s.push_back(std::to_string(port));
  }
  std::vector<char*> argv;
  for (std::string& s : argv_s) argv.push_back(s.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    g_last_error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::unique_ptr<SimProcess> sim(new SimProcess);
  const int rc = posix_spawn(&sim->pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    sim->pid_ = -1;
    g_last_error = "cannot start " + argv_s[0] + ": " + std::strerror(rc);
    return nullptr;
  }
  sim->out_fd_ = out[0];

  // The ready line: "COM<N> <device path>\n".
  std::string line;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ready_timeout_ms);
  while (line.find('\n') == std::string::npos) {
    pollfd p{sim->out_fd_, POLLIN, 0};
    if (poll(&p, 1, MsLeft(deadline)) <= 0) {
      g_last_error = "the simulator did not report ready";
      return nullptr;  // the destructor ends it
    }
    char buf[256];
    const ssize_t n = read(sim->out_fd_, buf, sizeof buf);
    if (n <= 0) {
      g_last_error = "the simulator ended before it was ready";
      return nullptr;
    }
    line.append(buf, static_cast<size_t>(n));
  }
  line.resize(line.find('\n'));
  const size_t space = line.find(' ');
  if (line.rfind("COM", 0) != 0 || space == std::string::npos) {
    g_last_error = "unexpected ready line: " + line;
    return nullptr;
  }
  sim->port_ = std::atoi(line.c_str() + 3);
  sim->device_ = line.substr(space + 1);
  return sim;
}

int SimProcess::Stop(int signal, int timeout_ms) {
  if (pid_ < 0) return -1;
  kill(pid_, signal);
  // The child's stdout closes when it exits: wait for that, not for time.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  bool ended = false;
  while (!ended) {
    pollfd p{out_fd_, POLLIN, 0};
    if (poll(&p, 1, MsLeft(deadline)) <= 0) break;
    char buf[256];
    const ssize_t n = read(out_fd_, buf, sizeof buf);
    ended = n == 0 || (n < 0 && errno != EINTR);
  }
  int status = 0;
  if (!ended) kill(pid_, SIGKILL);
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  close(out_fd_);
  out_fd_ = -1;
  pid_ = -1;
  return ended ? status : -1;
}

long SimProcess::PeakResidentKiB() const {
  std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
  std::string key;
  while (in >> key) {
    if (key == "VmHWM:") {
      long kib = -1;
      in >> kib;
      return kib;
    }
    in.ignore(1 << 20, '\n');
  }
  return -1;
}

SimProcess::~SimProcess() {
  if (pid_ >= 0) Stop(SIGTERM);
  if (out_fd_ >= 0) close(out_fd_);
}

}  // namespace testing
}  // namespace kelvara
