#pragma once
// The camera's replies a recording's header keeps: its version, its angle
// table and every parameter get, each exactly as received.
#include <cstdint>
#include <mutex>
#include <vector>

#include "link/camera_link.h"
#include "recording/recording_format.h"

namespace kelvara {

// Keeps the newest reply of each of those commands as the link hears them
// (the connect sequence asks them all), so that a recording can begin while
// a run holds the link. A parameter set the camera accepted makes the kept
// reply of its get stale until the get is heard again. Thread-safe.
class CameraReplies {
 public:
  // The link's reply tap.
  void Heard(int code, const unsigned char* reply, uint32_t length);
  // Forgets every reply (a new connect).
  void Clear();
  // The commands whose reply is missing or stale, in the header's order.
  std::vector<uint8_t> Wanted() const;
  // The parameter gets whose reply is stale.
  std::vector<uint8_t> Stale() const;
  // Asks `codes` on `link` (free: no run); the tap keeps the answers. False
  // when the version was asked and did not come.
  static bool Ask(CameraLink& link, const std::vector<uint8_t>& codes);
  // The kept replies in the header's order, and the format code from the
  // format reply.
  void Fill(recording::RecordingHeader* header) const;

 private:
  struct Kept {
    std::vector<unsigned char> payload;
    bool heard = false;
    bool stale = false;
  };
  static constexpr int kReplyCount = 12;  // one per command above
  mutable std::mutex mutex_;
  std::vector<Kept> kept_ = std::vector<Kept>(kReplyCount);
};

}  // namespace kelvara
