#pragma once
// The text of the view panel's "Value of Center" field.
#include <string>

namespace kelvara {

// Format 0 (amplitude): "%5d" below 256, "- - " otherwise. Other formats
// (distance): "%5d mm" below 12500, "- - mm" otherwise. Signed comparisons,
// so a negative distance word shows as a negative number of millimetres.
std::string CentreReadout(int format_index, int centre_value);

}  // namespace kelvara
