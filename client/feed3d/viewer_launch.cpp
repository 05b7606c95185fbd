#include "feed3d/viewer_launch.h"

namespace kelvara {

bool LaunchViewer(ViewerProcess* viewer, const std::string& program_folder,
                  const std::function<bool()>& window_exists) {
  if (window_exists && window_exists()) return false;
  if (viewer->Running()) return false;  // started, its window not shown yet
  return viewer->Start(program_folder + "Orvinel");
}

}  // namespace kelvara
