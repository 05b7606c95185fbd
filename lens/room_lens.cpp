#include "lens/room_lens.h"

#include <cmath>

#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRawPerDegree = kAngleRawPerRightAngle / 90.0;

void Put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

}  // namespace

LensRay RoomPixelRay(int row, int column) {
  const double x = -(column - kRoomAxisColumn);
  const double y = row - kRoomAxisRow;
  const double z = kRoomFocalLengthPx;
  const double n = std::sqrt(x * x + y * y + z * z);
  return {x / n, y / n, z / n};
}

double RoomThetaDegrees(int row, int column) {
  const double dx = column - kRoomAxisColumn;
  const double dy = row - kRoomAxisRow;
  return std::atan(std::sqrt(dx * dx + dy * dy) / kRoomFocalLengthPx) * 180.0 / kPi;
}

uint16_t RoomThetaRaw(int row, int column) {
  return static_cast<uint16_t>(std::lround(RoomThetaDegrees(row, column) * kRawPerDegree));
}

uint16_t RoomPhiRaw(int row, int column) {
  const double dx = column - kRoomAxisColumn;
  const double dy = row - kRoomAxisRow;
  double deg = std::atan2(dy, dx) * 180.0 / kPi;
  if (deg < 0) deg += 360.0;
  return static_cast<uint16_t>(std::lround(deg * kRawPerDegree) % 16384);
}

void FillRoomAngleTable(unsigned char* out) {
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      Put16(out + 2 * i, RoomThetaRaw(r, c));
      Put16(out + kPlaneBytes + 2 * i, RoomPhiRaw(r, c));
    }
}

}  // namespace kelvara
