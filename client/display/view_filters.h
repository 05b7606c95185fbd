#pragma once
// The filters of the picture and the 3D view ("Flying pixels", "Smoothing",
// "Temporal" in the view panel) as one mask, as the panel, the session and
// the measurement worker pass them on.

namespace kelvara {

enum ViewFilter : int {
  kFilterFlying = 1,
  kFilterSpatial = 2,
  kFilterTemporal = 4,
  kAllFilters = 7,
};

}  // namespace kelvara
