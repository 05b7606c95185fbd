#pragma once
// What the render loop does with a pending command, apart from the window:
// the window is reached through CloudView, so that the rules can be tested
// without a display.
#include "viewer/angle_table.h"
#include "viewer/cloud_builders.h"
#include "viewer/command_mailbox.h"
#include "viewer/view_settings.h"

namespace kelvara {
namespace viewer {

// The window's side of the render loop.
class CloudView {
 public:
  virtual ~CloudView() = default;
  // Replaces the cloud on the screen.
  virtual void showCloud(const CloudPtr& cloud) = 0;
  // Places the camera for a new distance range.
  virtual void placeCameraForRange(int rangeMin, int rangeMax) = 0;
};

// The main thread's state that commands change.
struct RenderState {
  ViewSettings settings;
  AngleTable table;      // empty at start
  OpticalCenter center;  // 159, 119 at start
  CloudPtr cloud;        // the cloud most recently built
};

// Applies the pending command, if any, and marks the slot taken: a file
// command only after its file has been read. A new range, ratio or colour
// range applies from the next data command on; only the camera follows a
// new distance range at once. Returns the kind applied, 0 for none.
int applyPendingCommand(CommandMailbox* mailbox, RenderState* state, CloudView* view);

}  // namespace viewer
}  // namespace kelvara
