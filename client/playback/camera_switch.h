#pragma once
// The serial library the client's session talks through: the live serial
// library, or an open recording played back. It is the session's frame
// gate too: a live camera passes at once, a recording waits for its
// playback control.
//
// Switch only while the link is free (no run goes on, the port is closed).
#include <atomic>
#include <memory>

#include "link/serial_library.h"
#include "measure/frame_gate.h"
#include "playback/playback_control.h"
#include "playback/recording_serial.h"

namespace kelvara {

class CameraSwitch : public SerialLibrary, public FrameGate {
 public:
  // `live` outlives the switch; `now_ns` as PlaybackControl's.
  explicit CameraSwitch(SerialLibrary& live, std::function<int64_t()> now_ns = nullptr)
      : live_(live), control_(std::move(now_ns)) {}

  // The recording at `path` answers from now on (paused before its first
  // frame). False with the message in *error (the live library stays).
  bool OpenRecording(const std::string& path, std::string* error);
  // The live library again.
  void UseLive();
  // The open recording; nullptr while live.
  const RecordingSerial* recording() const { return recording_.get(); }
  bool PlaysRecording() const { return playing_.load(); }
  PlaybackControl& control() { return control_; }

  void Close() override { Current().Close(); }
  // The live ports, also while a recording is open (the port list).
  int GetActive(signed char* list, int capacity) override { return live_.GetActive(list, capacity); }
  int Init(int port, int baud) override { return Current().Init(port, baud); }
  void Clear() override { Current().Clear(); }
  int SendCommand(int code, int length, const unsigned char* payload) override {
    return Current().SendCommand(code, length, payload);
  }
  int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) override {
    return Current().ReceiveSync(timeout_ms, capacity, buffer);
  }

  GateResult AwaitFrame(const std::function<bool()>& goes_on) override {
    return playing_.load() ? control_.AwaitFrame(goes_on) : GateResult::kFrame;
  }
  void Wake() override { control_.Wake(); }

 private:
  SerialLibrary& Current() { return recording_ ? static_cast<SerialLibrary&>(*recording_) : live_; }

  SerialLibrary& live_;
  PlaybackControl control_;
  std::unique_ptr<RecordingSerial> recording_;
  std::atomic<bool> playing_{false};
};

}  // namespace kelvara
