#pragma once
// The cloud files kelvara-export writes and how their points are laid out.
// No PCL here.
#include <string>

namespace kelvara {
namespace cloud {

enum class CloudFormat { kPcd, kPly };

// The axes of a cloud's points. kCamera: the camera's own (x left, y up,
// z forward; the organised rows in the camera's order, row 0 the bottom
// one). kOpenCv: the OpenCV and PCL camera convention (x right, y down,
// z forward; the organised rows top row first, as in an image).
enum class CloudAxes { kCamera, kOpenCv };

struct CloudLayout {
  // Every pixel in a 320 x 240 grid, those without a point as NaN; else
  // only the pixels that carry a point, in one row.
  bool organised = true;
  CloudAxes axes = CloudAxes::kCamera;
};

// ".pcd" or ".ply" at the end of `path` (either case); false for another.
bool CloudFormatOfPath(const std::string& path, CloudFormat* format);

// "camera" or "opencv"; false for another name.
bool CloudAxesOfName(const std::string& name, CloudAxes* axes);

// Whether a cloud of `format` is organised unless asked otherwise: a PCD
// file is (PCL keeps the pixel grid), a PLY file is not (most viewers of
// PLY files draw a NaN vertex at the origin or refuse the file).
bool OrganisedByDefault(CloudFormat format);

}  // namespace cloud
}  // namespace kelvara
