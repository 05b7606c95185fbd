#include "camsim/testing/sim_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include "testing/child_process.h"

namespace kelvara {
namespace testing {
namespace {

std::string g_last_error;

}  // namespace

PrivateRuntimeDir::PrivateRuntimeDir() {
  setenv("KELVARA_RUNTIME_DIR", path().c_str(), 1);
  setenv("KELVARA_PORT_DIR", (path() + "/ports").c_str(), 1);
}

PrivateRuntimeDir::~PrivateRuntimeDir() {
  unsetenv("KELVARA_RUNTIME_DIR");
  unsetenv("KELVARA_PORT_DIR");
}

std::string SimProcess::ProgramPath() { return KELVARA_CAMSIM_PATH; }

const std::string& SimProcess::last_error() { return g_last_error; }

SimProcess::SimProcess() = default;

std::unique_ptr<SimProcess> SimProcess::Start(const std::vector<std::string>& args, int port, int ready_timeout_ms) {
  std::vector<std::string> argv = {ProgramPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  if (port != 0) {
    argv.push_back("--port");
    argv.push_back(std::to_string(port));
  }
  std::unique_ptr<SimProcess> sim(new SimProcess);
  sim->child_ =
      std::make_unique<ChildProcess>(argv, ChildProcess::Options{ChildProcess::kCapture, ChildProcess::kInherit});
  if (!sim->child_->started()) {
    g_last_error = sim->child_->error();
    return nullptr;
  }

  // The ready line: "COM<N> <device path>\n".
  std::string line;
  if (!sim->child_->ReadLine(&line, std::chrono::milliseconds(ready_timeout_ms))) {
    g_last_error = sim->child_->Wait(std::chrono::milliseconds(0)) ? "the simulator ended before it was ready"
                                                                   : "the simulator did not report ready";
    return nullptr;  // the child's destructor ends it
  }
  const size_t space = line.find(' ');
  if (line.rfind("COM", 0) != 0 || space == std::string::npos) {
    g_last_error = "unexpected ready line: " + line;
    return nullptr;
  }
  sim->port_ = std::atoi(line.c_str() + 3);
  sim->device_ = line.substr(space + 1);
  return sim;
}

pid_t SimProcess::pid() const { return child_ ? child_->pid() : -1; }

int SimProcess::Stop(int signal, int timeout_ms) {
  if (!child_ || !child_->running()) return -1;
  kill(child_->pid(), signal);
  const bool ended = child_->Wait(std::chrono::milliseconds(timeout_ms)).has_value();
  if (!ended) child_->Terminate(std::chrono::milliseconds(0), SIGKILL);
  const int status = child_->wait_status();
  child_.reset();
  return ended ? status : -1;
}

long SimProcess::PeakResidentKiB() const {
  std::ifstream in("/proc/" + std::to_string(pid()) + "/status");
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
  if (child_ && child_->running()) Stop(SIGTERM);
}

}  // namespace testing
}  // namespace kelvara
