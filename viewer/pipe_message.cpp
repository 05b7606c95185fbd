#include "viewer/pipe_message.h"

#include <string_view>
#include <vector>

#include "viewer/c_number_rules.h"

namespace kelvara {
namespace viewer {
namespace {

// Splits at every comma; adjacent commas give an empty field.
std::vector<std::string_view> splitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

// The low value is clamped at 0 and the high value at the distance limit,
// by position, before the two are put in order.
void orderedRange(std::string_view low_field, std::string_view high_field, int* min, int* max) {
  int low = leadingInt(low_field);
  int high = leadingInt(high_field);
  if (low < 0) low = 0;
  if (high > kDistanceLimit) high = kDistanceLimit;
  *min = low < high ? low : high;
  *max = low < high ? high : low;
}

}  // namespace

std::optional<PipeCommand> parsePipeMessage(const char* bytes, size_t length) {
  if (bytes == nullptr) return std::nullopt;
  std::vector<std::string_view> fields = splitFields(std::string_view(bytes, length));
  if (fields.size() < 2) return std::nullopt;

  PipeCommand command;
  command.kind = leadingInt(fields[0]);
  switch (command.kind) {
    case CMD_ANGLE_TABLE:
    case CMD_DISTANCE_DATA:
    case CMD_COORDINATE_DATA: {
      // A path is used up to its first NUL byte; any other byte, a line end
      // for instance, belongs to it.
      std::string_view path = fields[1];
      command.path.assign(path.substr(0, path.find('\0')));
      return command;
    }
    case CMD_DISTANCE_RANGE:
    case CMD_COLOR_RANGE:
      // A range without its high value cannot be parsed: nothing is posted.
      if (fields.size() < 3) return std::nullopt;
      if (command.kind == CMD_DISTANCE_RANGE) {
        orderedRange(fields[1], fields[2], &command.rangeMin, &command.rangeMax);
      } else {
        orderedRange(fields[1], fields[2], &command.colorMin, &command.colorMax);
      }
      return command;
    case CMD_DISTANCE_RATIO: command.ratio = narrowToFloat(leadingDouble(fields[1])); return command;
    default: return std::nullopt;
  }
}

}  // namespace viewer
}  // namespace kelvara
