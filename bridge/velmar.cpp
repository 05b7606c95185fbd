// The six exported functions of libvelmar.so (velmar.map); everything else
// stays local.
#include "bridge/velmar.h"

#include <string>

#include "bridge/viewer_messages.h"
#include "common/runtime_dir.h"

namespace {

using kelvara::bridge::DeliverMessage;
namespace viewer = kelvara::viewer;

int SendPath(int kind, const char* path) {
  std::string message;
  if (!kelvara::bridge::PathMessage(kind, path, &message)) return QOR3D_ERR_BAD_PATH;
  return DeliverMessage(kelvara::ViewerSocketPath(), message);
}

int SendRange(int kind, int min, int max) {
  return DeliverMessage(kelvara::ViewerSocketPath(), kelvara::bridge::RangeMessage(kind, min, max));
}

}  // namespace

extern "C" {

int Qor3D_UpdateAngleTable(const char* path) { return SendPath(viewer::CMD_ANGLE_TABLE, path); }
int Qor3D_UpdateDistanceData(const char* path) { return SendPath(viewer::CMD_DISTANCE_DATA, path); }
int Qor3D_UpdateDistanceRange(int min, int max) { return SendRange(viewer::CMD_DISTANCE_RANGE, min, max); }
int Qor3D_UpdateDistanceRatio(float ratio) {
  return DeliverMessage(kelvara::ViewerSocketPath(), kelvara::bridge::RatioMessage(ratio));
}
int Qor3D_UpdateColorRange(int min, int max) { return SendRange(viewer::CMD_COLOR_RANGE, min, max); }
int Qor3D_UpdateCoordinateData(const char* path) { return SendPath(viewer::CMD_COORDINATE_DATA, path); }

}  // extern "C"
