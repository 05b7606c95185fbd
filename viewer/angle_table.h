#pragma once
// The per-pixel angle table: for each pixel the angle in degrees between its
// viewing ray and the optical axis (0.0 on the axis; 180.0 marks a pixel
// without a valid ray). Read from a comma-separated text file, one line per
// pixel row; a complete table has 240 rows of 320 values.
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "camera_facts/pixel_rays.h"

namespace kelvara {
namespace viewer {

// The camera's pixel grid.
constexpr int kGridColumns = kFrameWidth;
constexpr int kGridRows = kFrameHeight;
// The distance builder's value of pi, also used for the cached cosines.
constexpr double kBuilderPi = kRayPi;
// The table keeps at most this many rows; a file may hold more lines, but
// only the first 240 rows are ever used.
constexpr int kMaxAngleTableRows = 4 * kGridRows;
// A line longer than this cannot be a table row (a row of 320 printed
// values is about 3.5 KB); it ends the table.
constexpr size_t kMaxAngleLineBytes = 64 * 1024;

struct AngleTable {
  int columns = 0;
  std::vector<float> values;  // row-major, rows() * columns
  // cos(value * pi / 180) of every value, computed once when the table is
  // made: every distance cloud built with this table needs them.
  std::vector<double> cosines;

  int rows() const { return columns > 0 ? static_cast<int>(values.size()) / columns : 0; }
  bool empty() const { return values.empty(); }
  // Whether the table covers the whole pixel grid; a shorter table is
  // treated like a table without rows.
  bool coversGrid() const { return columns == kGridColumns && rows() >= kGridRows; }
  float at(int row, int column) const { return values[static_cast<size_t>(row) * columns + column]; }
};

// Column and row of the pixel on the optical axis.
struct OpticalCenter {
  int cx = 159;
  int cy = 119;
};

// The cosine that the distance builder takes of a pixel's angle.
double angleCosine(float degrees);

// Makes a table from row-major values (whole rows only) and its cosines.
AngleTable makeAngleTable(std::vector<float> values, int columns);

// Reads the rows of `columns` values from the start of the file; reading
// ends at the first line with another number of fields, or with a field that
// is not a finite number. Missing, unreadable or non-regular files give an
// empty table.
AngleTable readAngleTable(const std::string& path, int columns);

// Sets the centre to the first pixel (row by row) whose value is 0.0. A
// table that does not cover the grid, or holds no zero, leaves it unchanged.
void findOpticalCenter(const AngleTable& table, OpticalCenter* center);

}  // namespace viewer
}  // namespace kelvara
