#include "logging/plane_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kelvara {
namespace {

// Every 16-bit value pre-rendered as "%5d," (5 to 7 characters), so that a
// sample costs one 8-byte copy instead of a printf.
struct Field {
  char text[7];
  uint8_t length;
};
static_assert(sizeof(Field) == 8, "one field is copied as 8 bytes");

const Field* FieldTable() {
  static const std::vector<Field> table = [] {
    std::vector<Field> t(65536);
    for (int v = -32768; v <= 32767; ++v) {
      char text[16];
      const int n = std::snprintf(text, sizeof text, "%5d,", v);
      Field& f = t[static_cast<uint16_t>(v)];
      std::memcpy(f.text, text, static_cast<std::size_t>(n));
      f.length = static_cast<uint8_t>(n);
    }
    return t;
  }();
  return table.data();
}

// Byte offset of the first sample of output line `line`, and the step from
// one output sample to the next, with the mirrors applied.
long LineStart(PlaneView plane, Mirror mirror, int line) {
  const int row = mirror.y ? kFrameHeight - 1 - line : line;
  const int column = mirror.x ? kFrameWidth - 1 : 0;
  return (static_cast<long>(row) * kFrameWidth + column) * plane.stride;
}
long SampleStep(PlaneView plane, Mirror mirror) { return mirror.x ? -plane.stride : plane.stride; }

}  // namespace

std::size_t FormatPlaneCsv(PlaneView plane, Mirror mirror, std::vector<char>* out) {
  // The slack lets the last field of the matrix be copied as a whole 8 bytes.
  if (out->size() < kMaxCsvMatrixBytes + sizeof(Field)) out->resize(kMaxCsvMatrixBytes + sizeof(Field));
  const Field* table = FieldTable();
  const long step = SampleStep(plane, mirror);
  char* const begin = out->data();
  char* dst = begin;
  for (int line = 0; line < kFrameHeight; ++line) {
    long offset = LineStart(plane, mirror, line);
    for (int k = 0; k < kFrameWidth; ++k, offset += step) {
      const unsigned char* p = plane.bytes + offset;
      const Field& f = table[static_cast<uint16_t>(p[0] | (p[1] << 8))];
      std::memcpy(dst, &f, sizeof f);
      dst += f.length;
    }
    dst[-1] = '\r';  // the last field ends the line instead of a comma
    *dst++ = '\n';
  }
  return static_cast<std::size_t>(dst - begin);
}

void FormatPlaneRaw(PlaneView plane, Mirror mirror, std::vector<char>* out) {
  out->resize(kRawPlaneBytes);
  const long step = SampleStep(plane, mirror);
  char* dst = out->data();
  for (int line = 0; line < kFrameHeight; ++line) {
    long offset = LineStart(plane, mirror, line);
    for (int k = 0; k < kFrameWidth; ++k, offset += step) {
      dst[0] = static_cast<char>(plane.bytes[offset]);
      dst[1] = static_cast<char>(plane.bytes[offset + 1]);
      dst += 2;
    }
  }
}

}  // namespace kelvara
