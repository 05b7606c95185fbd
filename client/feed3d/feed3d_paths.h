#pragma once
// The files of the "3d_data" folder below the data folder (which ends in
// '/'): the angle file, its delivered fallback, and the export ring.
#include <string>

namespace kelvara {

inline std::string ThreeDDataFolder(const std::string& data_folder) { return data_folder + "3d_data/"; }
inline std::string AngleFilePath(const std::string& data_folder) { return ThreeDDataFolder(data_folder) + "angle.csv"; }
inline std::string FallbackAngleFilePath(const std::string& data_folder) {
  return ThreeDDataFolder(data_folder) + "angle.org";
}
// "data_no": the number of the ring slot written last, as decimal text.
inline std::string RingPointerFilePath(const std::string& data_folder) {
  return ThreeDDataFolder(data_folder) + "data_no";
}
// "data_%d.bin": ring slot `slot` (0 to 5).
inline std::string RingFilePath(const std::string& data_folder, int slot) {
  return ThreeDDataFolder(data_folder) + "data_" + std::to_string(slot) + ".bin";
}

}  // namespace kelvara
