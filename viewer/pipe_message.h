#pragma once
// The viewer's command messages: comma-separated text, at most 256 bytes,
// one per connection on the viewer's socket.
//
//   1,path          angle table file          4,ratio        distance ratio
//   2,path          distance data file        5,low,high     colour range (mm)
//   3,low,high      distance range (mm)       6,path         coordinate data file
#include <optional>
#include <string>

namespace kelvara {
namespace viewer {

// Upper limit of every distance range, millimetres.
constexpr int kDistanceLimit = 12500;
// The viewer reads at most this many bytes of one message.
constexpr int kMaxPipeMessageBytes = 256;

enum CommandKind : int {
  CMD_ANGLE_TABLE = 1,
  CMD_DISTANCE_DATA = 2,
  CMD_DISTANCE_RANGE = 3,
  CMD_DISTANCE_RATIO = 4,
  CMD_COLOR_RANGE = 5,
  CMD_COORDINATE_DATA = 6,
};

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
