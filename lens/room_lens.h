#pragma once
// The simulator's lens for the "room" scene: one pinhole model from which the
// camera's angle table, its polar distances (ray lengths) and its cartesian
// points all follow, so that every output format shows the same room.
//
// Pixel (row r, column c), r = 0..239, c = 0..319. The optical axis passes
// through the centre of pixel (119, 159). Directions are given in the
// camera's point coordinates, the ones of its cartesian point records:
//   x grows towards column 0 (left in the picture),
//   y grows with the row (row 0 is drawn at the bottom: it looks down),
//   z points forward along the optical axis.
#include <cstdint>

namespace kelvara {

constexpr int kRoomAxisRow = 119;
constexpr int kRoomAxisColumn = 159;
// Focal length in pixels: about 70 degrees across the 320 columns.
constexpr double kRoomFocalLengthPx = 230.0;

// Unit direction of a pixel's viewing ray.
struct LensRay {
  double x, y, z;
};
LensRay RoomPixelRay(int row, int column);

// Angle between the pixel's ray and the optical axis, in degrees.
double RoomThetaDegrees(int row, int column);

// The angle table's raw values: theta = angle * 4096 / 90 rounded (0 on the
// axis pixel only); phi = the ray's azimuth around the axis in the same unit,
// 0 to 16383 (0 along row 119 towards higher columns).
uint16_t RoomThetaRaw(int row, int column);
uint16_t RoomPhiRaw(int row, int column);

// Writes the 307200-byte angle-table reply: the theta plane, then the phi
// plane, 76800 little-endian 16-bit values each in pixel order.
void FillRoomAngleTable(unsigned char* out);

}  // namespace kelvara
