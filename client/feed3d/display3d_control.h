#pragma once
// Start and stop of 3D display, as the main dialog does them for "3D Start"
// and "3D Stop" (and the stop when its window closes).
//
// Start: 3D stopped flag to 0 (the measurement loop writes the export ring
// from its next frame on), start the viewer unless one runs, start the
// bridge thread. Stop: flag to 1, which ends the bridge thread promptly
// (it is not waited for), and end the viewer if this client started it and
// its window is shown. At most one bridge thread exists: a start that comes
// while the previous thread is still ending waits for it (a stop wakes the
// thread from its waits, so that is brief); a start while 3D display is on
// does nothing.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "feed3d/bridge_pacer.h"
#include "feed3d/bridge_thread.h"
#include "feed3d/display3d_state.h"
#include "feed3d/viewer_process.h"

namespace kelvara {

struct Display3DOptions {
  // Whether a viewer window is shown; the X11 search by default.
  std::function<bool()> window_exists;
  // The bridge thread's pauses; a StopAwarePacer on the stopped flag by default.
  std::unique_ptr<BridgePacer> pacer;
  BridgeTiming timing;
  std::string library_path;  // empty: data folder + "libvelmar.so"
  // The profile of the bridge's "3D" keys; empty: the process-wide profile.
  std::string profile_path;
  // Folder of "Orvinel" (ending in '/'); empty: the data folder. An
  // installed client keeps its exchange files apart from its programs.
  std::string viewer_folder;
  // Shows the bridge thread's report when the viewer can never be fed.
  Notifier* notifier = nullptr;
};

class Display3DControl {
 public:
  // `state` must outlive this object.
  Display3DControl(std::string data_folder, Display3DState* state, Display3DOptions options = Display3DOptions());
  ~Display3DControl();  // stops 3D display and waits for the bridge thread

  Display3DControl(const Display3DControl&) = delete;
  Display3DControl& operator=(const Display3DControl&) = delete;

  void Start();
  void Stop();

  bool IsOn() const { return state_->stopped.load() == 0; }
  ViewerProcess& viewer() { return viewer_; }
  // Waits until the last bridge thread has ended (tests, shutdown).
  void WaitForBridgeThread();

 private:
  const std::string data_folder_;
  Display3DState* const state_;
  Display3DOptions options_;
  ViewerProcess viewer_;
  std::thread bridge_;
  bool bridge_started_ = false;  // the "thread handle stored" of the main dialog
  BridgeRun run_;
};

}  // namespace kelvara
