#pragma once
// The viewer program: options, command socket, window and render loop.
#include <string>
#include <vector>

namespace kelvara {
namespace viewer {

constexpr char kWindowTitle[] = "Qor 3D Viewer";

// Runs until the window is closed or the process is asked to end (SIGTERM,
// SIGINT). Returns the exit status: 1 when the command socket cannot be
// served (another viewer serves it), 0 otherwise. `arguments` without the
// program name.
int runViewer(const std::vector<std::string>& arguments);

}  // namespace viewer
}  // namespace kelvara
