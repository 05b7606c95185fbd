#pragma once
// Writing an 8-bit RGB image as a PNG file, fast and lossless.
#include <string>

namespace kelvara {

// Encodes `height` rows of `width` RGB triples (row 0 at the top) as an
// 8-bit RGB PNG at compression level 1 with the SUB filter and the RLE
// strategy, and writes it to `path` whole (WriteWholeFile: a temporary file
// in the same folder, then a rename). Returns false, leaving nothing new at
// `path` (nor a temporary file), when encoding or writing fails.
bool WriteRgbPng(const std::string& path, const unsigned char* rgb, int width, int height);

}  // namespace kelvara
