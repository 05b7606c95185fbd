#pragma once
// The simulator's command line.
#include <cstdint>
#include <string>

#include "camsim/fault_plan.h"

namespace kelvara {
namespace camsim {

struct SimOptions {
  int port = 0;  // 0: the first free number 1..99
  std::string scene = "room";
  int64_t link_rate = 0;  // bytes per second, 0 = unpaced
  FaultOptions faults;
  // --replay FILE serves a recording instead of a scene; --loop, --fps N
  // (0: as fast as asked) and --rate-from-file (the default) go with it.
  std::string replay;
  bool loop = false;
  int fps = -1;                // -1: the recorded pacing
  double warm_up_minutes = 0;  // --warm-up MINUTES: the room's camera warms up
  bool help = false;
};

// Parses argv[1..]: "--name value" or "--name=value". On failure returns
// false with a one-line reason in *error.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions* out, std::string* error);

extern const char kSimUsage[];

}  // namespace camsim
}  // namespace kelvara
