#pragma once
// A recording as a camera on the client's serial seam: the simulated
// camera answers every command from the recording (its version, its
// parameters, its angle table and temperatures), and each result request
// gets the frame the playback control names. No terminal, no second
// program: the link talks to it as to the serial library.
//
// One thread at a time calls it (the link's rule).
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camsim/replay_scene.h"
#include "camsim/sim_camera.h"
#include "link/serial_library.h"
#include "playback/playback_control.h"

namespace kelvara {

class RecordingSerial : public SerialLibrary {
 public:
  // Opens and checks the recording at `path`; nullptr with a message naming
  // the path and the reason in *error when it cannot be played back.
  // `control` outlives the result; it is not reset here.
  static std::unique_ptr<RecordingSerial> Open(const std::string& path, PlaybackControl& control, std::string* error);

  const std::string& path() const { return path_; }
  int frames() const { return static_cast<int>(scene_->reader().frames().size()); }
  // The frames' recorded receive times.
  std::vector<int64_t> FrameTimes() const;
  // True when the recording was cut off after its last whole frame.
  bool Cut() const { return scene_->reader().trailing_bytes() > 0; }
  // For a cut recording, the message that says so; empty otherwise.
  std::string CutNotice() const;

  void Close() override { open_ = false; }
  int GetActive(signed char*, int) override { return 0; }
  int Init(int, int) override;
  void Clear() override { pending_ = false; }
  int SendCommand(int code, int length, const unsigned char* payload) override;
  int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) override;

 private:
  RecordingSerial(std::string path, PlaybackControl& control) : path_(std::move(path)), control_(control) {}

  std::string path_;
  PlaybackControl& control_;
  std::unique_ptr<camsim::ReplayScene> scene_;
  std::unique_ptr<camsim::SimCamera> camera_;
  bool open_ = false;
  bool pending_ = false;  // a reply waits for ReceiveSync
  camsim::Reply reply_;
};

}  // namespace kelvara
