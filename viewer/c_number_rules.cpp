#include "viewer/c_number_rules.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kelvara {
namespace viewer {
namespace {

// isspace() of the C locale.
bool isCSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r'; }

}  // namespace

int leadingInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);  // -(INT_MAX + 1) is INT_MIN
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

double leadingDouble(std::string_view text, bool* found) {
  // strtod needs a terminated string; the copy also ends the text at its
  // first NUL byte, as the C functions would.
  std::string copy(text.substr(0, text.find('\0')));
  const char* begin = copy.c_str();
  char* end = nullptr;
  double value = std::strtod(begin, &end);
  if (found) *found = end != begin;
  return end != begin ? value : 0.0;
}

double leadingDouble(std::string_view text) { return leadingDouble(text, nullptr); }

float narrowToFloat(double value) {
  // Round to nearest as the hardware does: from FLT_MAX up to half a unit
  // above it the result is FLT_MAX, beyond that infinity.
  const double overflow = 0x1.ffffffp127;
  if (std::isnan(value)) return static_cast<float>(value);
  if (value >= overflow) return HUGE_VALF;
  if (value <= -overflow) return -HUGE_VALF;
  if (value > FLT_MAX) return FLT_MAX;
  if (value < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(value);
}

}  // namespace viewer
}  // namespace kelvara
