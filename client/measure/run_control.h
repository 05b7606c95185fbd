#pragma once
// The values the main window (or the capture tool) shares with the
// measurement worker and the 3D bridge thread. Each has one writer at a time;
// the worker reads them at fixed points of its cycle, so a change takes effect
// at the worker's next read.
#include <atomic>
#include <string>

#include "display3d_state.h"

namespace kelvara {

struct RunControl {
  // The worker keeps cycling while this is non-zero.
  std::atomic<int> run_flag{0};
  // Cycles to run: 1 for a single picture, -1 (or any non-positive value)
  // for continuous measurement; the worker sets 0 when the start fails.
  std::atomic<int> frame_limit{0};
  // When set, no temperatures are read and none are logged.
  std::atomic<int> stop_sampling{0};
  // 0: no logging run; positive: frames to log; -1: end the logging run
  // after one more frame. The worker sets 0 when the logging run ends.
  std::atomic<int> log_total{0};
  // Frames per burst (1..999999) and minimum spacing of burst starts in
  // whole seconds.
  std::atomic<int> log_once{1};
  std::atomic<int> log_interval{1};
  // Set when a logging run started a run of its own: the run ends with it.
  std::atomic<int> stop_after_logging{0};
  // The format index of the frames (selects the frame family) and the 3D
  // stopped flag (the export ring is written only while it is 0), shared
  // with the 3D bridge thread.
  Display3DState display3d;
  // Folder of the executable, ending in '/'. Set once before any thread starts.
  std::string program_folder;
};

}  // namespace kelvara
