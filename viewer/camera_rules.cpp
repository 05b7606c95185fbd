#include "camera_rules.h"

namespace kelvara {
namespace viewer {

double cameraDepthForRange(int rangeMin, int rangeMax) {
  // 64-bit: a reversed pair from the pipe can span more than the int range.
  long long span = static_cast<long long>(rangeMax) - rangeMin;
  return static_cast<double>(-(span / 20));
}

bool isResetViewKey(const std::string& keySym, bool keyDown) { return keyDown && keySym == "r"; }

}  // namespace viewer
}  // namespace kelvara
