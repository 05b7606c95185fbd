#include "status/window_placement.h"

#include <algorithm>

namespace kelvara {

ScreenRect KeepInside(ScreenRect window, const ScreenRect& area) {
  window.width = std::min(window.width, area.width);
  window.height = std::min(window.height, area.height);
  window.x = std::clamp(window.x, area.x, area.Right() - window.width);
  window.y = std::clamp(window.y, area.y, area.Bottom() - window.height);
  return window;
}

ScreenRect PlaceDialog(const ScreenRect& area, int width, int height, int beside_width, int beside_height,
                       const ScreenRect* saved) {
  if (saved && saved->width > 0 && area.Contains(*saved)) return *saved;
  ScreenRect dialog{area.x, area.y, width, height};
  if (width + beside_width <= area.width) {
    dialog.x = area.x + (area.width - width - beside_width) / 2;
    dialog.y = area.y + std::max(0, (area.height - height) / 2);
  } else if (height + beside_height <= area.height) {
    dialog.x = area.x + std::max(0, (area.width - width) / 2);
    dialog.y = area.y + (area.height - height - beside_height) / 2;
  }
  return KeepInside(dialog, area);
}

ScreenRect PlaceBeside(const ScreenRect& area, const ScreenRect& dialog, const ScreenRect& settings,
                       const ScreenRect& keep_clear, int width, int height, const ScreenRect* saved) {
  auto fits = [&](const ScreenRect& r) { return area.Contains(r) && !r.Intersects(keep_clear); };
  if (saved && saved->width > 0 && fits(*saved)) return *saved;
  // Beside the dialog, its top level with the dialog's as far as the area allows.
  auto level = [&](int x) {
    ScreenRect r{x, dialog.y, width, height};
    r.y = std::clamp(r.y, area.y, std::max(area.y, area.Bottom() - height));
    return r;
  };
  auto aligned = [&](int y) {
    ScreenRect r{dialog.x, y, width, height};
    r.x = std::clamp(r.x, area.x, std::max(area.x, area.Right() - width));
    return r;
  };
  // Beside the dialog but narrower (the window scales its images), when at
  // least three fifths of its width are free there.
  auto narrower = [&](bool right) {
    const int free = right ? area.Right() - dialog.Right() : dialog.x - area.x;
    if (free * 5 < width * 3) return ScreenRect{0, 0, 0, 0};
    const int w = std::min(free, width);
    ScreenRect r{right ? dialog.Right() : dialog.x - w, dialog.y, w, height * w / width};
    r.y = std::clamp(r.y, area.y, std::max(area.y, area.Bottom() - r.height));
    return r;
  };
  const ScreenRect candidates[] = {
      level(dialog.Right()),    level(dialog.x - width),
      aligned(dialog.Bottom()), narrower(true),
      narrower(false),          KeepInside(ScreenRect{settings.x, settings.y, width, height}, area),
  };
  for (const ScreenRect& r : candidates) {
    if (r.width > 0 && fits(r)) return r;
  }
  ScreenRect corner{area.Right() - width, area.Bottom() - height, width, height};
  return KeepInside(corner, area);
}

}  // namespace kelvara
