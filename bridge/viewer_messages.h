#pragma once
// The text of each message to the viewer, and its delivery on the viewer's
// socket: one connection, one write, closed.
#include <string>

#include "camera_facts/viewer_commands.h"

namespace kelvara {
namespace bridge {

// "<kind>,<path>"; false when the path cannot be carried (null, or a comma
// inside, which would cut the path at the viewer).
bool PathMessage(int kind, const char* path, std::string* message);
std::string RangeMessage(int kind, int min, int max);
// "%.9g": enough digits for strtod to give back the same float.
std::string RatioMessage(float ratio);

// Sends one message to the socket at `socket_path`. Returns a QOR3D_ code.
int DeliverMessage(const std::string& socket_path, const std::string& message);

}  // namespace bridge
}  // namespace kelvara
