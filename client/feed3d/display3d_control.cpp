#include "feed3d/display3d_control.h"

#include <system_error>
#include <utility>

#include "feed3d/viewer_launch.h"
#include "feed3d/viewer_window.h"

namespace kelvara {

Display3DControl::Display3DControl(std::string data_folder, Display3DState* state, Display3DOptions options)
    : data_folder_(std::move(data_folder)), state_(state), options_(std::move(options)) {
  if (!options_.window_exists) options_.window_exists = ViewerWindowExists;
  if (!options_.pacer) options_.pacer = std::make_unique<StopAwarePacer>(&state_->stopped);
  run_.data_folder = data_folder_;
  run_.library_path = options_.library_path;
  run_.profile_path = options_.profile_path;
  run_.state = state_;
  run_.pacer = options_.pacer.get();
  run_.notifier = options_.notifier;
  run_.timing = options_.timing;
}

Display3DControl::~Display3DControl() {
  Stop();
  WaitForBridgeThread();
}

void Display3DControl::WaitForBridgeThread() {
  if (bridge_.joinable()) bridge_.join();
}

void Display3DControl::Start() {
  if (bridge_started_ && IsOn()) return;  // already on
  // The previous thread saw the flag at 1 and is ending; wait for it so that
  // two bridge threads never run.
  WaitForBridgeThread();
  state_->stopped.store(0);
  LaunchViewer(&viewer_, options_.viewer_folder.empty() ? data_folder_ : options_.viewer_folder,
               options_.window_exists);
  try {
    bridge_ = std::thread(RunBridgeThread, std::cref(run_));
    bridge_started_ = true;
  } catch (const std::system_error&) {
    // Nothing more happens: the export ring is written, the viewer waits.
  }
}

void Display3DControl::Stop() {
  // Always off, also when the bridge thread could not be started: the export
  // ring must not go on being written after a stop.
  state_->stopped.store(1);
  options_.pacer->Wake();
  bridge_started_ = false;
  if (viewer_.Holds() && options_.window_exists()) {
    viewer_.Terminate();
  } else {
    viewer_.Running();  // reap a viewer that the user has closed
  }
}

}  // namespace kelvara
