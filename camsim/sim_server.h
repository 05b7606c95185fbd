#pragma once
// The simulator's serve loop: reads requests from the terminal, lets the
// camera answer them, applies the fault options and writes the replies.
#include <chrono>

#include "camsim/fault_plan.h"
#include "camsim/link_writer.h"
#include "camsim/request_parser.h"
#include "camsim/sim_camera.h"

namespace kelvara {
namespace camsim {

// A started request whose remaining bytes do not come within this time is
// given up, and the search for the next request start goes on.
constexpr std::chrono::milliseconds kRequestIdleTimeout{100};

class SimServer {
 public:
  // `fd`: the simulator's side of the terminal (non-blocking); `stop_fd`
  // becomes readable when the simulator must end.
  SimServer(int fd, int stop_fd, SimCamera& camera, const FaultOptions& faults, int64_t link_rate);
  // Serves until the stop descriptor fires. Returns 0.
  int Run();

 private:
  bool Answer(const Request& request);  // false: stop
  int fd_;
  int stop_fd_;
  SimCamera& camera_;
  FaultPlan faults_;
  LinkWriter writer_;
  RequestParser parser_;
};

}  // namespace camsim
}  // namespace kelvara
