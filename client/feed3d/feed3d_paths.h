#pragma once
// The files of the "3d_data" folder below the program folder (which ends in
// '/'): the angle file, its delivered fallback, and the export ring.
#include <string>

namespace kelvara {

inline std::string ThreeDDataFolder(const std::string& program_folder) { return program_folder + "3d_data/"; }
inline std::string AngleFilePath(const std::string& program_folder) {
  return ThreeDDataFolder(program_folder) + "angle.csv";
}
inline std::string FallbackAngleFilePath(const std::string& program_folder) {
  return ThreeDDataFolder(program_folder) + "angle.org";
}
// "data_no": the number of the ring slot written last, as decimal text.
inline std::string RingPointerFilePath(const std::string& program_folder) {
  return ThreeDDataFolder(program_folder) + "data_no";
}
// "data_%d.bin": ring slot `slot` (0 to 5).
inline std::string RingFilePath(const std::string& program_folder, int slot) {
  return ThreeDDataFolder(program_folder) + "data_" + std::to_string(slot) + ".bin";
}

}  // namespace kelvara
