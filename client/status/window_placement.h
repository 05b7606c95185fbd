#pragma once
// Where the client's windows go on the screen. The main dialog and the
// picture window open inside the available area of the dialog's screen
// (the screen without panels and docks); the picture window goes beside
// the dialog where there is room, never over the View panel's buttons.
// All rectangles are frames (decorations included) in screen coordinates.
// No Qt.
namespace kelvara {

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;

  int Right() const { return x + width; }  // one past the last column
  int Bottom() const { return y + height; }
  bool Contains(const ScreenRect& r) const {
    return r.x >= x && r.y >= y && r.Right() <= Right() && r.Bottom() <= Bottom();
  }
  bool Intersects(const ScreenRect& r) const {
    return r.x < Right() && x < r.Right() && r.y < Bottom() && y < r.Bottom();
  }
  bool operator==(const ScreenRect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

// `window` moved (and, only when larger than `area`, shrunk) so that it lies
// inside `area`.
ScreenRect KeepInside(ScreenRect window, const ScreenRect& area);

// The main dialog's frame at its first showing: `saved` when it lies inside
// `area`; otherwise, when the dialog and a window of `beside_width` x
// `beside_height` fit side by side, centred together with it; else, when
// they fit one above the other, centred together in that way; else at the
// area's top-left corner.
ScreenRect PlaceDialog(const ScreenRect& area, int width, int height, int beside_width, int beside_height,
                       const ScreenRect* saved);

// The picture window's frame of size `width` x `height`, in this order of
// preference: `saved` when it lies inside `area`; right of `dialog`; left of
// it; below it; right or left of it made narrower (keeping its shape) when
// three fifths of its width are free there; over `settings` (the settings
// panel); at the area's bottom-right corner. A place is taken only when the window fits inside
// `area` there without covering `keep_clear` (the View panel's buttons).
// The last resort shrinks the window to the area.
ScreenRect PlaceBeside(const ScreenRect& area, const ScreenRect& dialog, const ScreenRect& settings,
                       const ScreenRect& keep_clear, int width, int height, const ScreenRect* saved);

}  // namespace kelvara
