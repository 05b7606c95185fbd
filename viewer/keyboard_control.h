#pragma once
// The viewer's own keys and camera moves on the PCL visualizer. The
// visualizer's built-in mouse and key bindings stay active beside them.
#include <pcl/visualization/pcl_visualizer.h>

namespace kelvara {
namespace viewer {

constexpr char kCloudId[] = "qor cloud";

// Keyboard callback; `userData` is the address of the shared pointer
// through which the main thread holds the visualizer. A press of "r" sets
// the camera to the viewpoint stored with the cloud.
void onKeyboardEvent(const pcl::visualization::KeyboardEvent& event, void* userData);

// Camera at (0, 0, -(max - min) / 20), view-up (0, 1, 0), all viewports;
// the focal point is not changed.
void placeCameraForRange(pcl::visualization::PCLVisualizer& viewer, int rangeMin, int rangeMax);

}  // namespace viewer
}  // namespace kelvara
