#pragma once
// The values with which the viewer builds its next cloud, and the command
// line that sets the initial distance range.
//
//   Orvinel [-min MM] [-max MM]
//
// Each option counts at its first occurrence only; an option that is the
// last argument is ignored; the value is read by the atoi rule (no digits
// gives 0) and taken only within 0 to 12500. A minimum above the maximum is
// not corrected. All other arguments are ignored.
#include <string>
#include <vector>

namespace kelvara {
namespace viewer {

struct ViewSettings {
  int rangeMin = 0;
  int rangeMax = 12500;
  int colorMin = 0;
  int colorMax = 12500;
  float ratio = 1.0f;
};

// `arguments` without the program name.
ViewSettings parseViewOptions(const std::vector<std::string>& arguments);

}  // namespace viewer
}  // namespace kelvara
