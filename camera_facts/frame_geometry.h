#pragma once
// The camera's pixel grid and the layout of its bulk replies.
#include <cstdint>

namespace kelvara {

// The sensor: 320 columns by 240 rows, pixel index = row * 320 + column.
constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kPixelCount = kFrameWidth * kFrameHeight;  // 76800
constexpr int kPlaneBytes = kPixelCount * 2;             // one 16-bit plane, 153600 bytes
// The pixel whose value the centre readout shows: entry 38239 of display plane 0.
constexpr int kCentrePixel = 119 * kFrameWidth + 159;

// The reply of the result command: a plane frame or a point frame, padded.
constexpr int kMeasurementFrameBytes = 614656;
// Plane frames: plane 0 at 0, plane 1 at 153600.
constexpr int kPlane1Offset = kPlaneBytes;
// Point frames: the camera's PCD header, the point records (x, y, z: signed
// 16-bit mm), then the amplitude plane.
constexpr int kPcdHeaderBytes = 170;
constexpr int kPointRecordBytes = 6;
constexpr int kPointRecordsBytes = kPixelCount * kPointRecordBytes;  // 460800
constexpr int kPcdFileBytes = kPcdHeaderBytes + kPointRecordsBytes;  // 460970
constexpr int kPointAmplitudeOffset = kPcdFileBytes;
// The export ring carries the first 614400 bytes of every frame.
constexpr int kExportFrameBytes = 614400;

// The reply of the angle table command: theta plane, then phi plane.
constexpr int kThetaPhiTableBytes = 2 * kPlaneBytes;  // 307200

// The measuring range: valid distances and coordinates lie within
// +-(kDistanceLimitMm - 1) millimetres; the viewer's ranges end at the limit.
constexpr int kDistanceLimitMm = 12500;
constexpr int kMaxDistanceMm = kDistanceLimitMm - 1;  // 12499

// Sample codes of distance and amplitude words.
constexpr int16_t DIST_NO_DATA = 30000;
constexpr int16_t DIST_SATURATION = 31000;
constexpr int16_t DIST_OVERFLOW = 32000;
constexpr int16_t AMP_OVERFLOW = 510;
constexpr int16_t AMP_SATURATION = 511;

}  // namespace kelvara
