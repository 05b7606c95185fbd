#pragma once
// The texts of the main dialog's status bar: the connection, how the frames
// of the current (or last) run fared, and the line that says how a run
// ended. No Qt: the status bar widget only shows them.
#include <cstdint>
#include <string>

#include "link/device_commands.h"
#include "measure/frame_health.h"

namespace kelvara {

enum class LinkState {
  kNotConnected,
  kConnected,
  kLost,  // the camera stopped answering during a run; the port is closed
};

// "COM9 - server 1.0.5.00000042", "Not connected" or "Connection lost".
std::string ConnectionText(LinkState state, const std::string& port_name, const VersionReply& version);

struct HealthTexts {
  std::string received;      // "Received 120"
  std::string lost;          // "Lost 3"
  std::string lost_tooltip;  // the lost frames by kind, one line each
  std::string logged;        // "Logged 100"
};

// The counters of `health`; with `any_run` false (no run yet since the
// connect) the values are dashes.
HealthTexts FrameHealthTexts(const FrameHealth& health, bool any_run);

// The status line when a run has ended: "Run ended: 120 frames received,
// 3 lost; 100 logged to /data/run_*" (or "; none logged").
std::string RunEndedLine(const FrameHealth& health, const std::string& logged_to);

// The "Recorded" item: "Recorded 120 frames, 73.8 MB" (1 MB = 10^6 bytes);
// with `any` false (no recording yet) "Recorded --".
std::string RecordedText(int64_t frames, int64_t bytes, bool any);

// The status line when a recording has ended: "Recording ended: 120 frames
// in /data/run_20261211-040506.kvrec".
std::string RecordingEndedLine(int64_t frames, const std::string& path);

}  // namespace kelvara
