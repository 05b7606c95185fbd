#pragma once
// Measuring between two pixels of the distance image: the 3D points of the
// two pixels of a frame (the point records for the point formats, the polar
// distance along the pixel's ray for the polar formats) and the distance
// between them in mm, with the text the status bar's "Measured distance"
// shows. Pixels are the camera's (column, row), as the logs and the pattern
// scene number them. No Qt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/picture_layout.h"

namespace kelvara {

// The camera's pixel rays: the angle of every pixel in degrees (180 without
// a ray) and the optical centre, as the 3D view turns polar distances into
// points with them. Empty when the camera gave no angle table.
struct RayTable {
  std::vector<float> degrees;  // kPixelCount, row-major, or empty
  int cx = 159, cy = 119;
  bool empty() const { return degrees.empty(); }
};
// From the camera's raw theta plane (76800 values); empty for any other size.
RayTable RayTableOf(const std::vector<uint16_t>& theta);

// The frame on screen: its bytes as the camera sent them and its format.
struct MeasureFrame {
  const unsigned char* bytes = nullptr;
  std::size_t size = 0;
  int format_index = 0;
};

// Where a pixel lies in space (mm, the camera's axes), or why it has no
// point: "no data", "saturated", "overflow", "invalid", "out of range",
// "no viewing ray".
struct PixelPoint {
  bool valid = false;
  double x = 0, y = 0, z = 0;
  std::string reason;
};
// The point of `pixel` in `frame`; `rays` is used for the polar formats.
// The caller has checked with MeasureProblem that the frame can be
// measured.
PixelPoint PointOfPixel(const MeasureFrame& frame, const RayTable& rays, const ProbePixel& pixel);

// Why nothing in `frame` can be measured ("no frame yet", "the format has
// no distances", "no angle table"), or an empty text.
std::string MeasureProblem(const MeasureFrame& frame, const RayTable& rays);

// The pixels marked by Shift+clicks: the first marks A, the second B, a
// third starts again with a new A.
class MeasureMarks {
 public:
  void Mark(const ProbePixel& pixel);
  void Clear() { count_ = 0; }
  int count() const { return count_; }
  const ProbePixel& a() const { return pixels_[0]; }
  const ProbePixel& b() const { return pixels_[1]; }

 private:
  ProbePixel pixels_[2];
  int count_ = 0;
};

struct MeasureResult {
  bool valid = false;  // both points exist: `mm` holds their distance
  double mm = 0;
  // "" without marks; "A (c, r) - Shift+click a second pixel" with one;
  // "(c1, r1) to (c2, r2): 1234.5 mm" with two, or instead of the number
  // "no distance - (c, r): <reason>" for each pixel without a point, or
  // "no distance - <problem>" when the frame cannot be measured.
  std::string text;
};
MeasureResult Measure(const MeasureMarks& marks, const MeasureFrame& frame, const RayTable& rays);

}  // namespace kelvara
