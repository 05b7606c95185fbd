#pragma once
// The message for a number outside its range, as every panel shows it.
#include <cstdio>
#include <string>

namespace kelvara {

// "Please input number in <lowest>-<highest> range."
inline std::string NumberRangeMessage(int lowest, int highest) {
  char text[80];
  std::snprintf(text, sizeof text, "Please input number in %d-%d range.", lowest, highest);
  return text;
}

}  // namespace kelvara
