#include "viewer/view_settings.h"

#include "viewer/c_number_rules.h"
#include "viewer/pipe_message.h"

namespace kelvara {
namespace viewer {
namespace {

void applyOption(const std::vector<std::string>& arguments, const char* option, int* value) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] != option) continue;
    if (i + 1 < arguments.size()) {
      int v = leadingInt(arguments[i + 1]);
      if (v >= 0 && v <= kDistanceLimit) *value = v;
    }
    return;  // only the first occurrence counts
  }
}

}  // namespace

ViewSettings parseViewOptions(const std::vector<std::string>& arguments) {
  ViewSettings settings;
  applyOption(arguments, "-min", &settings.rangeMin);
  applyOption(arguments, "-max", &settings.rangeMax);
  return settings;
}

}  // namespace viewer
}  // namespace kelvara
