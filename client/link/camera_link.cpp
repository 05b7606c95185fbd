#include "link/camera_link.h"

#include <chrono>
#include <thread>
#include <utility>

namespace kelvara {

CameraLink::CameraLink(SerialLibrary& library, Pause pause)
    : library_(library), receive_buffer_(new unsigned char[kReceiveCapacity]), pause_(std::move(pause)) {}

void CameraLink::SetPause(Pause pause) { pause_ = std::move(pause); }

void CameraLink::TakePause() {
  if (pause_) {
    pause_(kFailurePauseMs);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(kFailurePauseMs));
  }
}

std::vector<int> CameraLink::ListPorts() {
  // The library lists signed 8-bit port numbers, so never more than 127.
  signed char list[127];
  const int n = library_.GetActive(list, 127);
  std::vector<int> ports;
  for (int i = 0; i < n && i < 127; ++i) ports.push_back(list[i]);
  return ports;
}

bool CameraLink::Open(int port, int baud) { return library_.Init(port, baud) != 0; }

void CameraLink::Close() { library_.Close(); }

}  // namespace kelvara
