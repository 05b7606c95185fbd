#pragma once
// What the viewer draws over the cloud: a small axis triad in the lower left
// corner that turns with the view, the key list (shown and hidden with h)
// and, while the list is hidden, a one-line hint to it. The visualizer's
// own frame counter, the time of one drawing turned into a rate that says
// nothing about how often the cloud is renewed, is hidden.
#include <pcl/visualization/pcl_visualizer.h>
#include <vtkNew.h>
#include <vtkOrientationMarkerWidget.h>
#include <vtkTextActor.h>

class vtkRenderWindowInteractor;

namespace kelvara {
namespace viewer {

class WindowOverlay {
 public:
  // Once the window and its interactor exist.
  WindowOverlay(pcl::visualization::PCLVisualizer& viewer, vtkRenderWindowInteractor* interactor);
  ~WindowOverlay();
  WindowOverlay(const WindowOverlay&) = delete;
  WindowOverlay& operator=(const WindowOverlay&) = delete;

  void toggleKeyList();
  bool keyListShown() const;

 private:
  vtkNew<vtkOrientationMarkerWidget> triad_;
  vtkNew<vtkTextActor> keyList_;
  vtkNew<vtkTextActor> hint_;
};

}  // namespace viewer
}  // namespace kelvara
