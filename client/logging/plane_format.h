#pragma once
// Turns one plane of samples into the bytes of its log file: the CSV matrix
// (240 lines of 320 "%5d" fields, "," between fields, CR LF after each line)
// or the raw samples (little-endian, 2 bytes each). Both apply the mirrors.
#include <cstddef>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "logging/plane_view.h"

namespace kelvara {

// The largest CSV matrix: every field "-32768" plus its separator.
constexpr std::size_t kMaxCsvMatrixBytes = kPixelCount * 7 + kFrameHeight;
constexpr std::size_t kRawPlaneBytes = kPlaneBytes;

// Formats into `out` (grown once to hold the largest matrix and reused) and
// returns the number of bytes of the matrix at the start of `out`.
std::size_t FormatPlaneCsv(PlaneView plane, Mirror mirror, std::vector<char>* out);

// Writes the kRawPlaneBytes raw samples into `out` (resized to that size).
void FormatPlaneRaw(PlaneView plane, Mirror mirror, std::vector<char>* out);

}  // namespace kelvara
