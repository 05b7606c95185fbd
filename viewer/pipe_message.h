#pragma once
// Parsing of the viewer's command messages (their kinds and size limit are
// in viewer_commands.h).
#include <optional>
#include <string>

#include "camera_facts/frame_geometry.h"
#include "camera_facts/viewer_commands.h"

namespace kelvara {
namespace viewer {

// Upper limit of every distance range, millimetres.
constexpr int kDistanceLimit = kDistanceLimitMm;
// One parsed command. Only the fields of its kind carry meaning.
struct PipeCommand {
  int kind = 0;
  int rangeMin = 0;
  int rangeMax = 0;
  int colorMin = 0;
  int colorMax = 0;
  float ratio = 0.0f;
  std::string path;
};

// Turns the bytes of one message into a command, or nothing when the
// message cannot be a command (fewer than two fields, a kind outside 1 to 6,
// a range without its high value). Pure: no side effects.
std::optional<PipeCommand> parsePipeMessage(const char* bytes, size_t length);

}  // namespace viewer
}  // namespace kelvara
