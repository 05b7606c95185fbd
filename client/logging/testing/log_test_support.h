#pragma once
// Test support for the log writers: a private temporary folder, file
// reading (from kelvara_testing), and the expected bytes of CSV and raw planes computed naively
// from sample functions (never from the writers themselves).
#include <cstdio>
#include <functional>
#include <string>

#include "logging/plane_view.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace testing_support {

// A private temporary folder, removed with everything in it.
using TempDir = testing::TempFolder;

using testing::Exists;
using testing::FilesUnder;
using testing::ListFolder;
using testing::ReadFile;

using SampleAt = std::function<int(int row, int column)>;

// "%5d" fields, "," between them, CR LF after each of the 240 lines.
inline std::string ExpectedCsv(const SampleAt& sample, Mirror mirror) {
  std::string out;
  char field[16];
  for (int line = 0; line < 240; ++line) {
    const int r = mirror.y ? 239 - line : line;
    for (int k = 0; k < 320; ++k) {
      const int c = mirror.x ? 319 - k : k;
      std::snprintf(field, sizeof field, "%5d", sample(r, c));
      out += field;
      out += k < 319 ? "," : "\r\n";
    }
  }
  return out;
}

// Two little-endian bytes per sample, in the same order as the CSV matrix.
inline std::string ExpectedRaw(const SampleAt& sample, Mirror mirror) {
  std::string out;
  for (int line = 0; line < 240; ++line) {
    const int r = mirror.y ? 239 - line : line;
    for (int k = 0; k < 320; ++k) {
      const int v = sample(r, mirror.x ? 319 - k : k);
      out += static_cast<char>(v & 0xFF);
      out += static_cast<char>((v >> 8) & 0xFF);
    }
  }
  return out;
}

}  // namespace testing_support
}  // namespace kelvara
