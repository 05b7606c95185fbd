#include "status/status_texts.h"

#include <cinttypes>
#include <cstdio>

namespace kelvara {
namespace {

std::string Frames(int64_t frames) { return std::to_string(frames) + (frames == 1 ? " frame" : " frames"); }

std::string Counted(const char* label, int64_t value, bool any_run) {
  if (!any_run) return std::string(label) + " -";
  return std::string(label) + " " + std::to_string(value);
}

}  // namespace

std::string ConnectionText(LinkState state, const std::string& port_name, const VersionReply& version) {
  switch (state) {
    case LinkState::kNotConnected: return "Not connected";
    case LinkState::kLost: return "Connection lost";
    case LinkState::kConnected: break;
  }
  char text[96];
  std::snprintf(text, sizeof text, " - server %d.%d.%d.%08u", version.major, version.minor, version.revision,
                version.build);
  return port_name + text;
}

HealthTexts FrameHealthTexts(const FrameHealth& health, bool any_run) {
  HealthTexts texts;
  texts.received = Counted("Received", health.frames_received, any_run);
  texts.lost = Counted("Lost", health.FailedCycles(), any_run);
  texts.logged = Counted("Logged", health.frames_logged, any_run);
  texts.lost_tooltip = "Frames lost by kind:\nNo response: " + std::to_string(health.no_response) +
                       "\nWrong start byte: " + std::to_string(health.wrong_start_byte) +
                       "\nLength mismatch: " + std::to_string(health.length_mismatch) +
                       "\nOther failures: " + std::to_string(health.other_failures);
  return texts;
}

std::string RunEndedLine(const FrameHealth& health, const std::string& logged_to) {
  std::string line = "Run ended: " + Frames(health.frames_received) + " received, " +
                     std::to_string(health.FailedCycles()) + " lost; ";
  if (health.frames_logged > 0 && !logged_to.empty())
    line += std::to_string(health.frames_logged) + " logged to " + logged_to;
  else line += "none logged";
  return line;
}

std::string RecordedText(int64_t frames, int64_t bytes, bool any) {
  if (!any) return "Recorded --";
  char size[32];
  std::snprintf(size, sizeof size, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return "Recorded " + Frames(frames) + ", " + size;
}

std::string RecordingEndedLine(int64_t frames, const std::string& path) {
  return "Recording ended: " + Frames(frames) + " in " + path;
}

}  // namespace kelvara
