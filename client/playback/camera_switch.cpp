#include "playback/camera_switch.h"

namespace kelvara {

bool CameraSwitch::OpenRecording(const std::string& path, std::string* error) {
  std::unique_ptr<RecordingSerial> recording = RecordingSerial::Open(path, control_, error);
  if (!recording) return false;
  live_.Close();
  control_.Reset(recording->FrameTimes());
  recording_ = std::move(recording);
  playing_ = true;
  return true;
}

void CameraSwitch::UseLive() {
  playing_ = false;
  control_.Reset({});
  recording_.reset();
}

}  // namespace kelvara
