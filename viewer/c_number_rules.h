#pragma once
// The C library's lenient number rules, as the viewer's inputs use them:
// leading white space skipped, the longest valid prefix taken, anything after
// it ignored, text without a number reads as 0. Written without undefined
// behaviour: integers saturate at the int range, and a decimal number that
// does not fit a float narrows to plus or minus infinity.
#include <string_view>

namespace kelvara {
namespace viewer {

// atoi / _wtoi rule: white space, optional sign, decimal digits. Stops at
// the first other byte (a NUL byte included).
int leadingInt(std::string_view text);

// strtod rule (C locale); stops at the first NUL byte.
double leadingDouble(std::string_view text);

// Like leadingDouble, and tells whether any number was found at all.
double leadingDouble(std::string_view text, bool* found);

// Narrows a double to a float; values beyond the float range become
// infinities of the same sign, NaN stays NaN.
float narrowToFloat(double value);

}  // namespace viewer
}  // namespace kelvara
