#include "viewer/render_loop.h"

#include <pcl/console/print.h>
#include <pcl/visualization/pcl_visualizer.h>
#include <vtkObject.h>
#include <vtkRenderWindow.h>
#include <vtkRenderWindowInteractor.h>

#include <X11/Xlib.h>
#include <malloc.h>
#include <poll.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "common/runtime_dir.h"
#include "viewer/keyboard_control.h"
#include "viewer/pace_log.h"
#include "viewer/pipe_server.h"
#include "viewer/render_commands.h"

namespace kelvara {
namespace viewer {
namespace {

using RgbHandler = pcl::visualization::PointCloudColorHandlerRGBField<pcl::PointXYZRGB>;
using XyzHandler = pcl::visualization::PointCloudGeometryHandlerXYZ<pcl::PointXYZRGB>;

// An idle loop still looks at the stop conditions this often; a message or
// a window event wakes it at once.
constexpr int kIdleWakeMs = 250;

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
  viewer.setPointCloudRenderingProperties(pcl::visualization::PCL_VISUALIZER_POINT_SIZE, 3.0, kCloudId);
}

// Sleeps until a command is posted, the X connection has input, or the idle
// time has passed. A signal cuts the wait short, so that the loop looks at
// once.
void waitForWork(Display* display, const CommandMailbox& mailbox) {
  CommandMailbox::drain(mailbox.postedFd());
  if (mailbox.pending() != nullptr || XPending(display) > 0) return;
  pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {mailbox.postedFd(), POLLIN, 0}};
  poll(fds, mailbox.postedFd() >= 0 ? 2 : 1, kIdleWakeMs);
}

// Handles the window's events (mouse, keys, exposure, closing) that have
// arrived, without ever waiting for one: the interactor's own event loop
// would sleep in select() for up to a second when none comes. Mouse moves
// redraw through the interactor itself. An interactor told to end (it
// handles no more events then) counts as a closed window.
bool windowClosed(const pcl::visualization::PCLVisualizer& viewer, vtkRenderWindowInteractor* interactor) {
  return viewer.wasStopped() || interactor->GetDone();
}

void handleWindowEvents(Display* display, vtkRenderWindowInteractor* interactor,
                        const pcl::visualization::PCLVisualizer& viewer) {
  while (!windowClosed(viewer, interactor) && XPending(display) > 0) interactor->ProcessEvents();
}

// The window side of the commands. A new cloud or camera is drawn at once,
// before the command's slot is marked taken, so that the reader hands over
// the next message only when this one is on the screen: a sender never
// waits behind a command that is itself still waiting.
class WindowView : public CloudView {
 public:
  WindowView(pcl::visualization::PCLVisualizer& viewer, vtkRenderWindow* window, PaceLog* paceLog)
      : viewer_(viewer), window_(window), paceLog_(paceLog) {}
  // The cloud is replaced by removing and adding it: PCL 1.13's
  // updatePointCloud casts the cloud's mapper to a type it does not have.
  void showCloud(const CloudPtr& cloud) override {
    viewer_.removePointCloud(kCloudId);
    addCloud(viewer_, cloud);
    draw();
  }
  void placeCameraForRange(int rangeMin, int rangeMax) override {
    viewer::placeCameraForRange(viewer_, rangeMin, rangeMax);
    draw();
  }
  // The pace log entry of the command being applied.
  void setEntry(PaceLog::Entry* entry) { entry_ = entry; }

 private:
  void draw() {
    if (entry_ != nullptr) paceLog_->applied(entry_);
    window_->Render();
  }

  pcl::visualization::PCLVisualizer& viewer_;
  vtkRenderWindow* window_;
  PaceLog* paceLog_;
  PaceLog::Entry* entry_ = nullptr;
};

}  // namespace

int runViewer(const std::vector<std::string>& arguments) {
  // Every cloud allocates and frees the same few megabytes; kept in the
  // heap instead of being mapped and unmapped each time, they cost no page
  // faults on the next cloud.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  RenderState state;
  state.settings = parseViewOptions(arguments);
  quietLibraries();

  // The socket first: a second viewer ends before it opens a window. The
  // mailbox outlives the server's reader thread.
  CommandMailbox mailbox;
  if (EnsureRuntimeDir().empty()) {
    // The one line the viewer writes: why it cannot start.
    std::fprintf(stderr, "Orvinel: cannot use the runtime directory %s: %s\n", RuntimeDirPath().c_str(),
                 RuntimeDirProblem().c_str());
    return 1;
  }
  PipeServer server(ViewerSocketPath());
  if (server.open() != PipeServer::OpenStatus::kOpened) return 1;
  installEndHandlers();

  state.cloud = makeEmptyCloud();
  pcl::visualization::PCLVisualizer::Ptr viewer(new pcl::visualization::PCLVisualizer(kWindowTitle, true));
  viewer->setBackgroundColor(0, 0, 0);
  addCloud(*viewer, state.cloud);
  viewer->initCameraParameters();
  // The overlay joins the keys' target once the window exists.
  KeyboardTarget keys{&viewer, &state, nullptr};
  viewer->registerKeyboardCallback(onKeyboardEvent, &keys);

  if (!server.startReader(&mailbox)) return 0;

  // The first drawing maps the window; its display connection exists from then on.
  vtkRenderWindow* window = viewer->getRenderWindow();
  // Without multisampling: with software rendering (no GPU, as on these
  // machines) it multiplies the cost of every drawing of the cloud.
  window->SetMultiSamples(0);
  window->Render();
  Display* display = static_cast<Display*>(window->GetGenericDisplayId());
  vtkRenderWindowInteractor* interactor = window->GetInteractor();
  if (display == nullptr || interactor == nullptr) {
    server.stop();
    return 0;
  }

  WindowOverlay overlay(*viewer, interactor);
  keys.overlay = &overlay;
  window->Render();

  PaceLog paceLog(std::getenv("KELVARA_VIEWER_PACE_LOG"));
  WindowView view(*viewer, window, &paceLog);
  while (!windowClosed(*viewer, interactor) && !g_endRequested) {
    waitForWork(display, mailbox);
    handleWindowEvents(display, interactor, *viewer);
    if (windowClosed(*viewer, interactor)) break;
    // One command per pass; a new cloud or camera is drawn right away.
    PaceLog::Entry entry = paceLog.before(mailbox.pending());
    view.setEntry(&entry);
    if (applyPendingCommand(&mailbox, &state, &view) != 0) paceLog.drawn(&entry);
  }
  server.stop();
  return 0;
}

}  // namespace viewer
}  // namespace kelvara
