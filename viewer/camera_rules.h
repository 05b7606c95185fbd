#pragma once
// The viewer's own camera rules, apart from the window that applies them.
// Camera coordinates are cloud units: one unit is 20 mm.
#include <string>

namespace kelvara {
namespace viewer {

// The camera's z position for a new distance range: -(max - min) / 20,
// truncated toward zero (range 0 to 12500 gives -625).
double cameraDepthForRange(int rangeMin, int rangeMax);

// The key that resets the view: a press of exactly "r" (not "R", not a release).
bool isResetViewKey(const std::string& keySym, bool keyDown);

}  // namespace viewer
}  // namespace kelvara
