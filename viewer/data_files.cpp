#include "viewer/data_files.h"

#include "viewer/regular_file.h"

namespace kelvara {
namespace viewer {
namespace {

bool readBlock(const std::string& path, size_t minimumSize, size_t offset, size_t count, std::vector<uint8_t>* bytes) {
  RegularFile file(path);
  if (!file.isOpen() || file.size() < static_cast<long long>(minimumSize)) return false;
  bytes->resize(count);
  return file.readExactly(static_cast<long long>(offset), bytes->data(), count);
}

}  // namespace

bool readDistanceFile(const std::string& path, std::vector<uint8_t>* bytes) {
  return readBlock(path, kDistanceFileBytes, 0, kDistanceFileBytes, bytes);
}

bool readCoordinateFile(const std::string& path, std::vector<uint8_t>* bytes) {
  return readBlock(path, kCoordinateFileBytes, kCoordinateHeaderBytes, kCoordinateDataBytes, bytes);
}

}  // namespace viewer
}  // namespace kelvara
