#include "playback/recording_serial.h"

#include <algorithm>
#include <cstring>

#include "camera_facts/command_codes.h"
#include "camera_facts/wire_framing.h"

namespace kelvara {

std::unique_ptr<RecordingSerial> RecordingSerial::Open(const std::string& path, PlaybackControl& control,
                                                       std::string* error) {
  std::unique_ptr<RecordingSerial> serial(new RecordingSerial(path, control));
  camsim::ReplayOptions options;
  options.path = path;
  options.fps = 0;  // the playback control paces the frames
  std::string reason, summary;
  serial->scene_ = camsim::ReplayScene::Open(options, &reason, &summary);
  if (!serial->scene_) {
    // The reader names the path only in some of its reasons.
    if (reason.find(path) == std::string::npos) reason = path + ": " + reason;
    *error = "The recording cannot be opened (" + reason + ").";
    return nullptr;
  }
  serial->camera_ = std::make_unique<camsim::SimCamera>(*serial->scene_, camsim::Clock::now());
  return serial;
}

std::vector<int64_t> RecordingSerial::FrameTimes() const {
  std::vector<int64_t> times;
  for (const recording::RecordEntry& e : scene_->reader().frames()) times.push_back(e.time_ns);
  return times;
}

std::string RecordingSerial::CutNotice() const {
  if (!Cut()) return std::string();
  return "The recording " + path_ + " is cut off: it plays up to its last whole frame (" + std::to_string(frames()) +
         " whole frames).";
}

int RecordingSerial::Init(int, int) {
  open_ = true;
  pending_ = false;
  return 1;
}

int RecordingSerial::SendCommand(int code, int length, const unsigned char* payload) {
  if (!open_) return -1;
  camsim::Request request;
  request.code = static_cast<uint8_t>(code);
  if (length > 0 && payload != nullptr) request.payload.assign(payload, payload + length);
  if (code == CMD_GET_RESULT && camera_->measuring()) {
    const int frame = control_.TakeFrame();
    if (frame < 0) {
      reply_ = camsim::Reply();
      reply_.status = camsim::kStatusNotMeasuring;
      pending_ = true;
      return length + kRequestHeaderBytes;
    }
    scene_->SeekFrame(static_cast<size_t>(frame));
  }
  reply_ = camera_->Handle(request, camsim::Clock::now());
  pending_ = true;
  return length + kRequestHeaderBytes;
}

int RecordingSerial::ReceiveSync(int, int capacity, unsigned char* buffer) {
  if (!open_ || !pending_) return 0;
  pending_ = false;
  const size_t size = reply_.size();
  unsigned char header[kResponseHeaderBytes] = {kResponseStartByte,
                                                reply_.status,
                                                static_cast<unsigned char>(size >> 24),
                                                static_cast<unsigned char>(size >> 16),
                                                static_cast<unsigned char>(size >> 8),
                                                static_cast<unsigned char>(size)};
  const size_t total = sizeof header + size;
  const size_t room = static_cast<size_t>(std::max(capacity, 0));
  std::memcpy(buffer, header, std::min(room, sizeof header));
  if (room > sizeof header) {
    const unsigned char* data = reply_.bulk != nullptr ? reply_.bulk : reply_.payload.data();
    if (size > 0) std::memcpy(buffer + sizeof header, data, std::min(room - sizeof header, size));
  }
  return static_cast<int>(total);
}

}  // namespace kelvara
