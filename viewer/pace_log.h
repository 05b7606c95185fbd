#pragma once
// The viewer's pace log, switched on by naming a file in the environment
// variable KELVARA_VIEWER_PACE_LOG (benchmarks): one line per applied
// command, written after the window was drawn again,
//   <done ns> <drawing started ns> <taken up ns> <file modified ns> <kind> <path>
// "drawing started" is 0 for commands that do not change the picture.
// Times are CLOCK_REALTIME nanoseconds, so that they compare with the
// modification time of the file the command named (0 for commands without
// a file, or when it could not be looked at).
#include <cstdint>
#include <cstdio>
#include <string>

#include "viewer/pipe_message.h"

namespace kelvara {
namespace viewer {

class PaceLog {
 public:
  struct Entry {
    int kind = 0;
    std::string path;
    int64_t modifiedNs = 0;
    int64_t startedNs = 0;  // when the render loop took the command up
    int64_t appliedNs = 0;
  };

  // nullptr or empty: the log is off and every call does nothing.
  explicit PaceLog(const char* path);
  ~PaceLog();
  PaceLog(const PaceLog&) = delete;
  PaceLog& operator=(const PaceLog&) = delete;

  // Before the command is applied: its kind and file.
  Entry before(const PipeCommand* pending) const;
  // The cloud or camera has been updated; the drawing starts.
  void applied(Entry* entry) const;
  // After the command (and its drawing): writes the line.
  void drawn(Entry* entry);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace viewer
}  // namespace kelvara
