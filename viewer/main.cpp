// Orvinel: the 3D viewer. Shows the client's measurements as a coloured
// point cloud in the window "Qor 3D Viewer", fed through its command socket.
#include <cstdio>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "viewer/render_loop.h"

namespace {

const char kUsage[] =
    "Usage: Orvinel [-min MM] [-max MM]\n"
    "The 3D viewer: opens the window \"Qor 3D Viewer\" and draws the point cloud of\n"
    "each frame the client (or kelvara-3d-send) names on its socket \"mypipe\" in the\n"
    "runtime directory. The client starts it with \"3D Start\".\n"
    "\n"
    "  -min MM, -max MM   initial distance range (default 0 to 12500)\n"
    "Keys: r resets the view; the mouse turns, moves and zooms.\n"
    "Exit status: 0 closed, 1 another viewer already serves the socket or the\n"
    "runtime directory cannot be used.\n";

}  // namespace

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "Orvinel")) return 0;
  if (kelvara::AsksForHelp(argc, argv)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  return kelvara::viewer::runViewer(arguments);
}
