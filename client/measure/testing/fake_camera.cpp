#include "measure/testing/fake_camera.h"

#include <algorithm>
#include <cstring>

#include "camera_facts/command_codes.h"
#include "camsim/pattern_scene.h"

namespace kelvara {

FakeCamera::FakeCamera(int format_index)
    : format_index_(format_index), frame_(pattern::Frame(format_index)), angle_table_(pattern::AngleTable()) {}

void FakeCamera::HoldNextResult() {
  std::lock_guard<std::mutex> lock(mutex_);
  hold_next_ = true;
}

void FakeCamera::WaitUntilHeld() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return held_; });
}

void FakeCamera::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  hold_next_ = false;
  held_ = false;
  cv_.notify_all();
}

std::vector<int> FakeCamera::Codes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return codes_;
}

void FakeCamera::Reply(unsigned char status, const unsigned char* payload, uint32_t length) {
  pending_.assign({kResponseStartByte, status, static_cast<unsigned char>(length >> 24),
                   static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 8),
                   static_cast<unsigned char>(length)});
  if (length) pending_.insert(pending_.end(), payload, payload + length);
}

int FakeCamera::SendCommand(int code, int length, const unsigned char* payload) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    codes_.push_back(code);
    if (code == CMD_GET_RESULT && hold_next_) {
      held_ = true;
      cv_.notify_all();
      cv_.wait(lock, [this] { return !hold_next_; });
    }
  }
  pending_.clear();
  if (silent_) return length + 4;
  switch (code) {
    case CMD_START_MEASUREMENT: {
      const bool refuse = refuse_start_from_ >= 0 && starts_ >= refuse_start_from_;
      ++starts_;
      Reply(refuse ? 1 : 0, nullptr, 0);
      break;
    }
    case CMD_STOP_MEASUREMENT: Reply(0, nullptr, 0); break;
    case CMD_GET_VERSION: {
      const std::vector<unsigned char> v = pattern::VersionPayload();
      Reply(0, v.data(), static_cast<uint32_t>(v.size()));
      break;
    }
    case CMD_SET_FORMAT: {
      // Accepts only the format its frames are in.
      const int asked = length == 2 && payload ? (payload[0] << 8) | payload[1] : -1;
      Reply(asked == kFormatCodes[format_index_] ? 0 : 1, nullptr, 0);
      break;
    }
    case CMD_GET_FORMAT: {
      const unsigned char c[2] = {static_cast<unsigned char>(kFormatCodes[format_index_] >> 8),
                                  static_cast<unsigned char>(kFormatCodes[format_index_] & 0xFF)};
      Reply(0, c, 2);
      break;
    }
    case CMD_GET_RESULT: {
      const int n = results_++;
      clock_ns_.fetch_add(step_ns_);
      if (failing_.count(n)) break;
      Reply(0, frame_.data(), static_cast<uint32_t>(frame_.size()));
      if (wrong_start_.count(n)) pending_[0] = static_cast<unsigned char>(kResponseStartByte ^ 0x01);
      if (short_.count(n)) pending_.resize(pending_.size() - 10);
      break;
    }
    case CMD_GET_ANGLE_TABLE: Reply(0, angle_table_.data(), static_cast<uint32_t>(angle_table_.size())); break;
    case CMD_GET_IMAGER_TEMPERATURE: {
      unsigned char t[8];
      for (int i = 0; i < 4; ++i) {
        t[2 * i] = static_cast<unsigned char>(pattern::kImagerTemperatures[i] >> 8);
        t[2 * i + 1] = static_cast<unsigned char>(pattern::kImagerTemperatures[i] & 0xFF);
      }
      Reply(0, t, 8);
      break;
    }
    case CMD_GET_LED_TEMPERATURE: {
      const unsigned char t[2] = {static_cast<unsigned char>(pattern::kLedTemperature >> 8),
                                  static_cast<unsigned char>(pattern::kLedTemperature & 0xFF)};
      Reply(0, t, 2);
      break;
    }
    default: Reply(1, nullptr, 0);
  }
  return length + 4;
}

int FakeCamera::ReceiveSync(int, int capacity, unsigned char* buffer) {
  const size_t n = std::min(pending_.size(), static_cast<size_t>(capacity));
  if (n) std::memcpy(buffer, pending_.data(), n);
  pending_.clear();
  return static_cast<int>(n);
}

}  // namespace kelvara
