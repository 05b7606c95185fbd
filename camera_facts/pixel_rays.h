#pragma once
// How a polar distance becomes a point. The camera's angle table gives each
// pixel the angle between its viewing ray and the optical axis (raw theta
// values, 4096 per 90 degrees; a raw value with any of the top four bits
// set marks a pixel without a ray, written as 180 degrees). The optical
// centre (cx, cy) is the first pixel, row by row, whose angle is 0. A
// distance d along the ray of pixel (row r, column c) is the point
//   x = sin(angle of (cy, c)) * d, negative left of the centre (c < cx),
//   y = sin(angle of (r, cx)) * d, negative from the centre row on (r >= cy),
//   z = cos(angle of (r, c)) * d,
// in the unit of d. The 3D view builds its distance clouds with these
// functions, and the client measures polar distances with them.
#include <cmath>
#include <cstdint>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

// The value of pi the ray angles are turned into radians with.
constexpr double kRayPi = 3.14159265359;
// The angle written for a pixel without a viewing ray.
constexpr float kNoRayDegrees = 180.0f;

// Degrees of one raw theta value: raw * 90 / 4096, or 180 without a ray.
inline double ThetaDegrees(uint16_t raw) {
  if (raw & kThetaInvalidMask) return kNoRayDegrees;
  return raw * 90.0 / kAngleRawPerRightAngle;
}

inline bool HasRay(float degrees) { return degrees != kNoRayDegrees; }

// The sine of a column's angle (read on the centre row), negative left of
// the centre column.
inline double ColumnSine(double centre_row_degrees, int column, int cx) {
  const double s = std::sin(centre_row_degrees * kRayPi / 180);
  return column < cx ? -s : s;
}
// The sine of a row's angle (read on the centre column), negative from the
// centre row on.
inline double RowSine(double centre_column_degrees, int row, int cy) {
  const double s = std::sin(centre_column_degrees * kRayPi / 180);
  return row >= cy ? -s : s;
}
// The cosine of a pixel's own angle.
inline double RayCosine(double degrees) { return std::cos(degrees * kRayPi / 180); }

struct RayPoint {
  double x = 0, y = 0, z = 0;
};
// The point at distance d along a ray given by its two signed sines and its
// cosine.
inline RayPoint PointAlongRay(double column_sine, double row_sine, double cosine, double d) {
  return {column_sine * d, row_sine * d, cosine * d};
}

// The optical centre of a row-major table of `rows` x `columns` angles: the
// first pixel whose angle is 0. False (centre untouched) when none is.
inline bool FindRayCentre(const float* degrees, int rows, int columns, int* cx, int* cy) {
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (degrees[r * columns + c] == 0.0f) {
        *cx = c;
        *cy = r;
        return true;
      }
    }
  }
  return false;
}

// The point of distance d along the ray of pixel (row, column) of a full
// 320 x 240 table with centre (cx, cy); the pixel must have a ray.
inline RayPoint PointOfPixelRay(const float* degrees, int cx, int cy, int row, int column, double d) {
  return PointAlongRay(ColumnSine(degrees[cy * kFrameWidth + column], column, cx),
                       RowSine(degrees[row * kFrameWidth + cx], row, cy),
                       RayCosine(degrees[row * kFrameWidth + column]), d);
}

}  // namespace kelvara
