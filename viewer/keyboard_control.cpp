#include "keyboard_control.h"

#include "camera_rules.h"

namespace kelvara {
namespace viewer {

void onKeyboardEvent(const pcl::visualization::KeyboardEvent& event, void* userData) {
  if (!isResetViewKey(event.getKeySym(), event.keyDown()) || userData == nullptr) return;
  // Its own reference for the time of the call.
  pcl::visualization::PCLVisualizer::Ptr viewer = *static_cast<pcl::visualization::PCLVisualizer::Ptr*>(userData);
  if (viewer) viewer->resetCameraViewpoint(kCloudId);
}

void placeCameraForRange(pcl::visualization::PCLVisualizer& viewer, int rangeMin, int rangeMax) {
  viewer.setCameraPosition(0.0, 0.0, cameraDepthForRange(rangeMin, rangeMax), 0.0, 1.0, 0.0, 0);
}

}  // namespace viewer
}  // namespace kelvara
