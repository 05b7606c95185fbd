#include "centre_readout.h"

#include <cstdio>

namespace kelvara {

std::string CentreReadout(int format_index, int centre_value) {
  char text[32];
  if (format_index == 0) {
    if (centre_value >= 256) return "- - ";
    std::snprintf(text, sizeof text, "%5d", centre_value);
  } else {
    if (centre_value >= 12500) return "- - mm";
    std::snprintf(text, sizeof text, "%5d mm", centre_value);
  }
  return text;
}

}  // namespace kelvara
