#pragma once
// The viewer's own keys and camera moves on the PCL visualizer. The
// visualizer's built-in mouse and key bindings stay active beside them.
#include <pcl/visualization/pcl_visualizer.h>

#include "viewer/render_commands.h"
#include "viewer/window_overlay.h"

namespace kelvara {
namespace viewer {

constexpr char kCloudId[] = "qor cloud";

// What the keys act on; outlives the window's event handling.
struct KeyboardTarget {
  pcl::visualization::PCLVisualizer::Ptr* viewer;  // the main thread's pointer
  const RenderState* state;                        // the cloud on the screen and the distance range
  WindowOverlay* overlay;
};

// Keyboard callback; `userData` is a KeyboardTarget. Its keys are those of
// keyAction (key_table.h): r shows the whole cloud from the camera's side,
// h shows or hides the key list.
void onKeyboardEvent(const pcl::visualization::KeyboardEvent& event, void* userData);

// The camera of wholeCloudView for the cloud (emptyCloudView for the
// current range when it has no points), for all viewports.
void showWholeCloud(pcl::visualization::PCLVisualizer& viewer, const Cloud& cloud, const ViewSettings& settings);

// Camera at (0, 0, -(max - min) / 20), view-up (0, 1, 0), all viewports;
// the focal point is not changed.
void placeCameraForRange(pcl::visualization::PCLVisualizer& viewer, int rangeMin, int rangeMax);

}  // namespace viewer
}  // namespace kelvara
