#pragma once
// The file writers of the log files. Each opens, writes and closes its file
// in one call and returns true only when every byte was written and the
// file closed cleanly (a full disk fails at the write or at the close). A
// file that fails is absent, never truncated (see whole_file.h); an append
// that fails is cut off again.
#include <cstddef>
#include <string>
#include <vector>

#include "logging/plane_view.h"

namespace kelvara {

// A plane as CSV matrix; the file is created or emptied. `buffer` is reused
// between calls (nullptr: a buffer of this call's own).
bool WritePlaneCsv(const std::string& path, PlaneView plane, Mirror mirror, std::vector<char>* buffer);

// A plane as raw little-endian samples, 153600 bytes; created or emptied.
bool WritePlaneRaw(const std::string& path, PlaneView plane, Mirror mirror, std::vector<char>* buffer);

// `size` bytes copied unchanged to a file that is created or replaced.
bool WriteFileBlock(const std::string& path, const void* data, std::size_t size);

// Appends `text` to the file, creating it when missing; a file created by
// this call gets `header` first.
bool AppendToFile(const std::string& path, const std::string& text, const std::string& header = "");

}  // namespace kelvara
