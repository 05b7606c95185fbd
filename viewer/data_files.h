#pragma once
// The two data files that the client exports for the viewer.
//
// Distance data file: at least 153600 bytes; the first 153600 hold 76800
// unsigned 16-bit little-endian distances (mm) in pixel order.
// Coordinate data file: at least 460970 bytes; a 170-byte header, then 76800
// records of x, y, z (signed 16-bit little-endian, mm) in pixel order.
// Bytes after these are ignored.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace viewer {

// The client exports a plane frame's first plane and a point frame's PCD file.
constexpr size_t kDistanceFileBytes = kPlaneBytes;            // 153600
constexpr size_t kCoordinateHeaderBytes = kPcdHeaderBytes;    // 170
constexpr size_t kCoordinateRecordBytes = kPointRecordBytes;  // 6
constexpr size_t kCoordinateDataBytes = kPointRecordsBytes;   // 460800
constexpr size_t kCoordinateFileBytes = kPcdFileBytes;        // 460970

// Each reads its block with one read; false (and `bytes` unspecified) when
// the file is missing, not a regular file or too short.
bool readDistanceFile(const std::string& path, std::vector<uint8_t>* bytes);
bool readCoordinateFile(const std::string& path, std::vector<uint8_t>* bytes);

inline uint16_t loadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline int16_t loadI16(const uint8_t* p) { return static_cast<int16_t>(loadU16(p)); }

}  // namespace viewer
}  // namespace kelvara
