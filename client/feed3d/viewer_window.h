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

}  // namespace kelvara
