#include "viewer/angle_table.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

#include "viewer/regular_file.h"

namespace kelvara {
namespace viewer {
namespace {

// Converts one field by the strtof rule. False when the field holds no
// number at all, or one that is not finite as a float.
bool convertField(std::string_view field, std::string* scratch, float* value) {
  scratch->assign(field.substr(0, field.find('\0')));
  const char* begin = scratch->c_str();
  char* end = nullptr;
  float v = std::strtof(begin, &end);
  if (end == begin || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

// Appends the line's values when it is a table row; false otherwise.
bool appendRow(std::string_view line, int columns, std::vector<float>* values, std::string* scratch) {
  size_t first = values->size();
  size_t start = 0;
  int fields = 0;
  for (;;) {
    size_t comma = line.find(',', start);
    std::string_view field = line.substr(start, comma == std::string_view::npos ? line.npos : comma - start);
    float v = 0.0f;
    if (++fields > columns || !convertField(field, scratch, &v)) {
      values->resize(first);
      return false;
    }
    values->push_back(v);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields != columns) {
    values->resize(first);
    return false;
  }
  return true;
}

}  // namespace

double angleCosine(float degrees) { return RayCosine(degrees); }

AngleTable makeAngleTable(std::vector<float> values, int columns) {
  AngleTable table;
  if (columns <= 0) return table;
  values.resize(values.size() / columns * columns);
  table.columns = columns;
  table.values = std::move(values);
  table.cosines.resize(table.values.size());
  for (size_t i = 0; i < table.values.size(); ++i) table.cosines[i] = angleCosine(table.values[i]);
  return table;
}

AngleTable readAngleTable(const std::string& path, int columns) {
  std::vector<float> values;
  if (columns <= 0) return makeAngleTable(std::move(values), columns);
  RegularFile file(path);
  if (!file.isOpen()) return makeAngleTable(std::move(values), columns);

  std::string scratch;
  std::string line;
  char buffer[64 * 1024];
  int rows = 0;
  bool done = false;
  while (!done) {
    ssize_t n = file.readSome(buffer, sizeof(buffer));
    bool atEnd = n <= 0;
    size_t start = 0;
    for (size_t i = 0; !atEnd && i < static_cast<size_t>(n); ++i) {
      if (buffer[i] != '\n') continue;
      line.append(buffer + start, i - start);
      start = i + 1;
      if (!appendRow(line, columns, &values, &scratch) || ++rows >= kMaxAngleTableRows) {
        done = true;
        break;
      }
      line.clear();
    }
    if (done) break;
    if (atEnd) {
      // A last line without a line end is still read; an empty rest is no line.
      if (!line.empty()) appendRow(line, columns, &values, &scratch);
      break;
    }
    line.append(buffer + start, static_cast<size_t>(n) - start);
    // Too long to be a row: it would end the table anyway.
    if (line.size() > kMaxAngleLineBytes) break;
  }
  return makeAngleTable(std::move(values), columns);
}

void findOpticalCenter(const AngleTable& table, OpticalCenter* center) {
  if (center == nullptr || !table.coversGrid()) return;
  FindRayCentre(table.values.data(), kGridRows, kGridColumns, &center->cx, &center->cy);
}

}  // namespace viewer
}  // namespace kelvara
