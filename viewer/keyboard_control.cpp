#include "viewer/keyboard_control.h"

#include <vtkCamera.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkRendererCollection.h>

#include "viewer/camera_rules.h"
#include "viewer/cloud_points.h"
#include "viewer/key_table.h"

namespace kelvara {
namespace viewer {

void onKeyboardEvent(const pcl::visualization::KeyboardEvent& event, void* userData) {
  const KeyAction action = keyAction(event.getKeySym(), event.keyDown(), event.isCtrlPressed());
  if (action == KeyAction::kNone || userData == nullptr) return;
  const KeyboardTarget& target = *static_cast<const KeyboardTarget*>(userData);
  // Its own reference for the time of the call.
  pcl::visualization::PCLVisualizer::Ptr viewer = *target.viewer;
  if (!viewer) return;
  switch (action) {
    case KeyAction::kWholeCloudView:
      if (target.state->cloud) showWholeCloud(*viewer, *target.state->cloud, target.state->settings);
      break;
    case KeyAction::kToggleKeyList:
      if (target.overlay != nullptr) target.overlay->toggleKeyList();
      break;
    case KeyAction::kNone: break;
  }
  // The visualizer draws the window after its key callbacks.
}

void showWholeCloud(pcl::visualization::PCLVisualizer& viewer, const Cloud& cloud, const ViewSettings& settings) {
  vtkRenderer* renderer = viewer.getRendererCollection()->GetFirstRenderer();
  const int* size = viewer.getRenderWindow()->GetSize();
  const double aspect = size[1] > 0 ? static_cast<double>(size[0]) / size[1] : 1.0;
  const CameraPose pose = cloud.empty()
                              ? emptyCloudView(settings.rangeMin, settings.rangeMax)
                              : wholeCloudView(cloudPoints(cloud), renderer->GetActiveCamera()->GetViewAngle(), aspect);
  viewer.setCameraPosition(pose.position[0], pose.position[1], pose.position[2], pose.focalPoint[0], pose.focalPoint[1],
                           pose.focalPoint[2], pose.viewUp[0], pose.viewUp[1], pose.viewUp[2], 0);
  // Near and far planes around the cloud from the new place.
  renderer->ResetCameraClippingRange();
}

void placeCameraForRange(pcl::visualization::PCLVisualizer& viewer, int rangeMin, int rangeMax) {
  viewer.setCameraPosition(0.0, 0.0, cameraDepthForRange(rangeMin, rangeMax), 0.0, 1.0, 0.0, 0);
}

}  // namespace viewer
}  // namespace kelvara
