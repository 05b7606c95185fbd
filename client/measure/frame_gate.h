#pragma once
// A gate the measurement worker's receive side passes before each frame
// request: a played-back recording holds the frames there while it is
// paused and paces them to the recorded times. A live camera has none.
#include <functional>

namespace kelvara {

class FrameGate {
 public:
  virtual ~FrameGate() = default;
  // Worker: waits until the next frame may be asked for. Returns true then;
  // false once `goes_on` says the run was stopped (checked whenever Wake
  // was called). Time spent here is no failed cycle.
  virtual bool AwaitFrame(const std::function<bool()>& goes_on) = 0;
  // Any thread: a waiting AwaitFrame looks at `goes_on` again.
  virtual void Wake() = 0;
};

}  // namespace kelvara
