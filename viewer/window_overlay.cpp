#include "viewer/window_overlay.h"

#include <vtkAxesActor.h>
#include <vtkCoordinate.h>
#include <vtkRenderWindowInteractor.h>
#include <vtkRenderer.h>
#include <vtkRendererCollection.h>
#include <vtkTextProperty.h>

#include "viewer/key_table.h"

namespace kelvara {
namespace viewer {
namespace {

// The triad's square, as a share of the window (lower left corner).
constexpr double kTriadShare = 0.14;

// Light text on a dark, half transparent box, anchored at the upper left
// corner of the window.
void styleText(vtkTextActor* text, const std::string& content) {
  text->SetInput(content.c_str());
  vtkTextProperty* p = text->GetTextProperty();
  p->SetFontFamilyToCourier();
  p->SetFontSize(14);
  p->SetColor(0.9, 0.9, 0.9);
  p->SetBackgroundColor(0.1, 0.1, 0.1);
  p->SetBackgroundOpacity(0.75);
  p->SetFrame(false);
  p->SetJustificationToLeft();
  p->SetVerticalJustificationToTop();
  text->GetPositionCoordinate()->SetCoordinateSystemToNormalizedViewport();
  text->SetPosition(0.01, 0.99);
}

}  // namespace

WindowOverlay::WindowOverlay(pcl::visualization::PCLVisualizer& viewer, vtkRenderWindowInteractor* interactor) {
  viewer.setShowFPS(false);

  vtkRenderer* renderer = viewer.getRendererCollection()->GetFirstRenderer();
  vtkNew<vtkAxesActor> axes;
  triad_->SetOrientationMarker(axes);
  triad_->SetInteractor(interactor);
  triad_->SetCurrentRenderer(renderer);  // the triad follows this renderer's camera
  triad_->SetViewport(0.0, 0.0, kTriadShare, kTriadShare);
  triad_->SetEnabled(1);
  // Neither moved nor resized with the mouse: a drag there turns the cloud.
  triad_->InteractiveOff();

  styleText(keyList_, keyListText());
  keyList_->SetVisibility(false);
  renderer->AddActor2D(keyList_);
  styleText(hint_, kKeyListHint);
  renderer->AddActor2D(hint_);
}

WindowOverlay::~WindowOverlay() { triad_->SetEnabled(0); }

void WindowOverlay::toggleKeyList() {
  const bool show = !keyListShown();
  keyList_->SetVisibility(show);
  hint_->SetVisibility(!show);
}

bool WindowOverlay::keyListShown() const { return keyList_->GetVisibility() != 0; }

}  // namespace viewer
}  // namespace kelvara
