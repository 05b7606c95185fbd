#pragma once
// Runs kelvara-camsim as a child process for tests and benchmarks.
//
//   kelvara::testing::PrivateRuntimeDir dir;     // before anything else
//   auto sim = kelvara::testing::SimProcess::Start({"--scene", "pattern"}, 7);
//   ASSERT_TRUE(sim) << kelvara::testing::SimProcess::last_error();
//   com_init(sim->port(), 0); ...
//
// Start waits for the simulator's ready line (no sleeping) and the
// destructor ends it with SIGTERM (SIGKILL if it does not go) and reaps it.
#include <sys/types.h>
#include <memory>
#include <string>
#include <vector>

#include "testing/temp_folder.h"

namespace kelvara {
namespace testing {

class ChildProcess;

// A fresh temporary directory made the runtime and port directory of this
// process (KELVARA_RUNTIME_DIR, KELVARA_PORT_DIR) and so of every simulator
// it starts; removed again, with its contents, at the end.
class PrivateRuntimeDir {
 public:
  PrivateRuntimeDir();
  ~PrivateRuntimeDir();
  PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
  PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;
  const std::string& path() const { return folder_.path(); }

 private:
  TempFolder folder_{"kelvara-test"};
};

class SimProcess {
 public:
  // Starts the simulator with `args` and, when `port` is not 0, "--port
  // <port>". Returns nullptr when it fails or is not ready within
  // `ready_timeout_ms` (reason in last_error()).
  static std::unique_ptr<SimProcess> Start(const std::vector<std::string>& args, int port = 0,
                                           int ready_timeout_ms = 10000);
  static const std::string& last_error();
  // The simulator program (built beside the tests).
  static std::string ProgramPath();

  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  int port() const { return port_; }
  const std::string& device_path() const { return device_; }
  pid_t pid() const;

  // Sends `signal`, waits up to `timeout_ms` for the exit and reaps the
  // child. Returns the raw wait status, or -1 when it had to be killed.
  int Stop(int signal, int timeout_ms = 5000);

  // The simulator's peak resident size in KiB (VmHWM), -1 when unknown.
  long PeakResidentKiB() const;

 private:
  SimProcess();
  std::unique_ptr<ChildProcess> child_;  // its stdout captured
  int port_ = 0;
  std::string device_;
};

}  // namespace testing
}  // namespace kelvara
