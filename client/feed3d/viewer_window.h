#pragma once
// Is a viewer running? The client looks for a top-level X11 window by its
// title (_NET_WM_NAME, else WM_NAME). Without an X display no window exists.
#include <string>

namespace kelvara {

constexpr char kViewerWindowTitle[] = "Qor 3D Viewer";

// A top-level window with exactly this title (windows inside a window
// manager's frames count as top-level).
bool TopLevelWindowExists(const std::string& title);

inline bool ViewerWindowExists() { return TopLevelWindowExists(kViewerWindowTitle); }

struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;
};

// The frame on the screen of the top-level window with exactly this title;
// false when there is none.
bool FindTopLevelWindow(const std::string& title, WindowBox* box);

// Asks for that window's frame to move to (x, y) on the screen; false when
// there is no such window.
bool MoveTopLevelWindow(const std::string& title, int x, int y);

// Asks for that window's frame to become `frame` on the screen: moved and,
// when its size differs, resized (a window manager's decorations kept out
// of the window's own size). False when there is no such window.
bool PlaceTopLevelWindow(const std::string& title, const WindowBox& frame);

}  // namespace kelvara
