// Orvinel: the 3D viewer. Shows the client's measurements as a coloured
// point cloud in the window "Qor 3D Viewer", fed through its command socket.
#include <string>
#include <vector>

#include "render_loop.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  return kelvara::viewer::runViewer(arguments);
}
