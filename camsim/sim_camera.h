#pragma once
// The simulated camera: its settings, its measurement state and its answer
// to every request. Pure logic (no terminal, no clock of its own), so that
// it can be tested request by request.
//
// Reply status: 0 accepted; 1 a refused value or malformed payload; 2 an
// unknown command; 3 a result while no measurement runs; 4 a temperature
// request without the access code.
#include <chrono>
#include <cstdint>
#include <vector>

#include "camsim/camera_parameters.h"
#include "camsim/request_parser.h"
#include "camsim/scene.h"
#include "camsim/table_receiver.h"

namespace kelvara {
namespace camsim {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kStatusOk = 0;
constexpr uint8_t kStatusRefused = 1;
constexpr uint8_t kStatusUnknownCommand = 2;
constexpr uint8_t kStatusNotMeasuring = 3;
constexpr uint8_t kStatusAccessDenied = 4;

struct Reply {
  uint8_t status = kStatusOk;
  std::vector<unsigned char> payload;   // short replies
  const unsigned char* bulk = nullptr;  // a frame or the angle table
  size_t bulk_size = 0;
  bool is_frame = false;      // a result frame: the fault options apply
  Clock::time_point send_at;  // not before this (frame rate limiter)
  // Response speed: pause `interval_us` after every `data_size_kb` KB.
  int data_size_kb = 16;
  int interval_us = 0;
  size_t size() const { return bulk ? bulk_size : payload.size(); }
};

class SimCamera {
 public:
  SimCamera(Scene& scene, Clock::time_point start);
  Reply Handle(const Request& request, Clock::time_point now);

  const CameraParameters& parameters() const { return params_; }
  bool measuring() const { return measuring_; }
  const TableReceiver& table() const { return table_; }

 private:
  Reply Result(Clock::time_point now);
  uint8_t Set(const Request& r);
  bool Get(uint8_t code, std::vector<unsigned char>* out) const;

  Scene& scene_;
  Clock::time_point start_;
  CameraParameters params_;
  bool measuring_ = false;
  bool frame_sent_ = false;
  Clock::time_point last_frame_;
  TableReceiver table_;
};

// A frame that the limiter holds back longer than this would arrive just as
// the client's 1000 ms receive gives up, split across two receive calls. It
// is held until kLateFrameDelay after the request instead: the client's next
// receive call takes it whole. Frames still come no faster than the limit.
constexpr auto kLongestFrameWait = std::chrono::milliseconds(900);
constexpr auto kLateFrameDelay = std::chrono::milliseconds(1050);

}  // namespace camsim
}  // namespace kelvara
