#pragma once
// Reading Brenvik's table file. The size is checked on the open file before
// a byte is read, so that a huge file (or one that grows while it is read)
// costs neither time nor memory.
#include <cstddef>
#include <string>
#include <vector>

namespace kelvara {
namespace upload {

// Reads the regular file at `path` holding 1 to `max_bytes` bytes. False
// with `*error` set to a one-line reason otherwise.
bool ReadTableFile(const std::string& path, std::size_t max_bytes, std::vector<unsigned char>* table,
                   std::string* error);

}  // namespace upload
}  // namespace kelvara
