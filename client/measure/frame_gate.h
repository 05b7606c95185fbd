#pragma once
// A gate the measurement worker's receive side passes before each frame
// request: a played-back recording holds the frames there while it is
// paused and paces them to the recorded times. A live camera has none.
#include <functional>

namespace kelvara {

// What the gate let through.
enum class GateResult {
  kFrame,    // the next frame may be asked for
  kStopped,  // the run was stopped
  // A recording's last frame has been served and it does not loop: no
  // frame follows until the user plays on. Told once each time the end is
  // reached; the gate holds the frames after that.
  kEnded,
};

class FrameGate {
 public:
  virtual ~FrameGate() = default;
  // Worker: waits until the next frame may be asked for (kFrame), the run
  // is stopped (kStopped, once `goes_on` says so; checked whenever Wake was
  // called) or the recording's end is reached (kEnded). Time spent here is
  // no failed cycle.
  virtual GateResult AwaitFrame(const std::function<bool()>& goes_on) = 0;
  // Any thread: a waiting AwaitFrame looks at `goes_on` again.
  virtual void Wake() = 0;
};

}  // namespace kelvara
