#pragma once
// Starting the viewer for 3D display.
#include <functional>
#include <string>

#include "feed3d/viewer_process.h"

namespace kelvara {

// Starts "Orvinel" from the program folder unless a viewer runs: a window
// titled "Qor 3D Viewer" exists (`window_exists`), or the viewer this client
// started is still running. The process is kept in `viewer`. A failed start
// is not reported. Returns true when a viewer was started.
bool LaunchViewer(ViewerProcess* viewer, const std::string& program_folder, const std::function<bool()>& window_exists);

}  // namespace kelvara
