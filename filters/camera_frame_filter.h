#pragma once
// The filter chain over a whole frame as the camera sends it, for the
// client's picture and 3D view and the Python module: the distances of a
// plane frame or the point records of a point frame are filtered in place,
// and each flying pixel becomes "no data" (a distance word 30000, or a point
// record of three such words), which every reader already leaves out. Only
// ever on a copy: what is logged or recorded stays the camera's bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filters/filter_chain.h"

namespace kelvara {
namespace filters {

// Filters `frame` (`size` bytes of format `format_index`) in place; (*flags)[i]
// is 1 for each flying pixel. False, with nothing changed, for the
// "Amplitude" format, an unknown one and a frame too short for its format.
bool FilterCameraFrame(FilterChain* chain, int format_index, unsigned char* frame, size_t size,
                       std::vector<uint8_t>* flags);

}  // namespace filters
}  // namespace kelvara
