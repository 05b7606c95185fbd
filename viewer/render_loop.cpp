#include "render_loop.h"

#include <pcl/console/print.h>
#include <pcl/visualization/pcl_visualizer.h>
#include <vtkObject.h>

#include <csignal>
#include <ctime>

#include "keyboard_control.h"
#include "pipe_server.h"
#include "render_commands.h"
#include "runtime_dir.h"

namespace kelvara {
namespace viewer {
namespace {

using RgbHandler = pcl::visualization::PointCloudColorHandlerRGBField<pcl::PointXYZRGB>;
using XyzHandler = pcl::visualization::PointCloudGeometryHandlerXYZ<pcl::PointXYZRGB>;

constexpr int kSpinMs = 100;
constexpr long kPauseMs = 100;

volatile std::sig_atomic_t g_endRequested = 0;

void requestEnd(int) { g_endRequested = 1; }

// SIGTERM (how the client ends a viewer it started) and SIGINT end the loop
// like closing the window, so that the socket file is removed.
void installEndHandlers() {
  struct sigaction action {};
  action.sa_handler = requestEnd;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

// The viewer writes nothing to its console, nor do the libraries for it.
void quietLibraries() {
  pcl::console::setVerbosityLevel(pcl::console::L_ALWAYS);
  vtkObject::GlobalWarningDisplayOff();
}

// Adds the cloud as "qor cloud", coloured from its rgb field, points of size 3.
void addCloud(pcl::visualization::PCLVisualizer& viewer, const CloudPtr& cloud) {
  RgbHandler colours(cloud);
  XyzHandler geometry(cloud);
  viewer.addPointCloud<pcl::PointXYZRGB>(cloud, colours, geometry, kCloudId);
  viewer.setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, 3.0,
                                          kCloudId);
}

void pause(long ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);  // a signal may cut it short: the loop looks at once
}

class WindowView : public CloudView {
 public:
  explicit WindowView(pcl::visualization::PCLVisualizer& viewer) : viewer_(viewer) {}
  // The cloud is replaced by removing and adding it: PCL 1.13's
  // updatePointCloud casts the cloud's mapper to a type it does not have.
  void showCloud(const CloudPtr& cloud) override {
    viewer_.removePointCloud(kCloudId);
    addCloud(viewer_, cloud);
  }
  void placeCameraForRange(int rangeMin, int rangeMax) override {
    viewer::placeCameraForRange(viewer_, rangeMin, rangeMax);
  }

 private:
  pcl::visualization::PCLVisualizer& viewer_;
};

}  // namespace

int runViewer(const std::vector<std::string>& arguments) {
  RenderState state;
  state.settings = parseViewOptions(arguments);
  quietLibraries();

  // The socket first: a second viewer ends before it opens a window.
  if (EnsureRuntimeDir().empty()) return 1;
  PipeServer server(ViewerSocketPath());
  if (server.open() != PipeServer::OpenStatus::kOpened) return 1;
  installEndHandlers();

  state.cloud = makeEmptyCloud();
  pcl::visualization::PCLVisualizer::Ptr viewer(
      new pcl::visualization::PCLVisualizer(kWindowTitle, true));
  viewer->setBackgroundColor(0, 0, 0);
  addCloud(*viewer, state.cloud);
  viewer->initCameraParameters();
  viewer->registerKeyboardCallback(onKeyboardEvent, &viewer);

  CommandMailbox mailbox;
  if (!server.startReader(&mailbox)) return 0;

  WindowView view(*viewer);
  while (!viewer->wasStopped() && !g_endRequested) {
    viewer->spinOnce(kSpinMs, false);
    pause(kPauseMs);
    applyPendingCommand(&mailbox, &state, &view);
  }
  server.stop();
  return 0;
}

}  // namespace viewer
}  // namespace kelvara
