#pragma once
// What a screenshot of the viewer shows of a cloud coloured by depth: where
// its points lie, and where its near (red to yellow) and far (blue) points
// are, so that a test can tell a view that is cut, mirrored or upside down.
#include "tests/viewer_e2e/xwd_image.h"

namespace kelvara {
namespace testing {

struct CloudPicture {
  int coloured = 0;  // pixels of any palette colour
  // The box around the coloured pixels, in pixels (row 0 at the top).
  int left = 0, right = -1, top = 0, bottom = -1;
  // Near and far points: how many, and their mean row.
  int near = 0, far = 0;
  double nearRow = 0, farRow = 0;
  // Far points left and right of the box's middle column.
  int farLeft = 0, farRight = 0;
  // Light grey pixels (the window's texts) in the window's upper left quarter.
  int upperLeftText = 0;

  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

// Pixels in the lower left corner (`cornerShare` of the window's width and
// height, where the axis triad sits) are left out of the cloud's figures.
CloudPicture DescribeCloudPicture(const RgbImage& image, double cornerShare);

}  // namespace testing
}  // namespace kelvara
