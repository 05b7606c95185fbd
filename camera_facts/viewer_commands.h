#pragma once
// The viewer's command messages: comma-separated text, at most 256 bytes,
// one per connection on the viewer's socket.
//
//   1,path          angle table file          4,ratio        distance ratio
//   2,path          distance data file        5,low,high     colour range (mm)
//   3,low,high      distance range (mm)       6,path         coordinate data file
#include "camera_facts/format_table.h"

namespace kelvara {
namespace viewer {

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

// The message that carries an exported frame of a format: a plane frame's
// export is a distance data file, a point frame's a coordinate data file.
constexpr CommandKind DataCommandOfFormat(int format_index) {
  return IsPlaneFrameFormat(format_index) ? CMD_DISTANCE_DATA : CMD_COORDINATE_DATA;
}

}  // namespace viewer
}  // namespace kelvara
