#include "tests/viewer_e2e/cloud_picture.h"

#include <algorithm>
#include <cstdlib>

namespace kelvara {
namespace testing {
namespace {

struct Rgb {
  int r, g, b;
};

Rgb Split(uint32_t p) {
  return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}

bool IsGrey(const Rgb& c) {
  return std::abs(c.r - c.g) <= 40 && std::abs(c.g - c.b) <= 40 && std::abs(c.r - c.b) <= 40;
}

}  // namespace

CloudPicture DescribeCloudPicture(const RgbImage& image, double cornerShare) {
  CloudPicture picture;
  picture.left = image.width;
  picture.top = image.height;
  const int cornerRight = static_cast<int>(image.width * cornerShare);
  const int cornerTop = image.height - static_cast<int>(image.height * cornerShare);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgb c = Split(image.pixels[static_cast<size_t>(y) * image.width + x]);
      if (IsGrey(c)) {
        if (c.r > 150 && x < image.width / 2 && y < image.height / 2) ++picture.upperLeftText;
        continue;
      }
      if (x < cornerRight && y >= cornerTop) continue;
      ++picture.coloured;
      picture.left = std::min(picture.left, x);
      picture.right = std::max(picture.right, x);
      picture.top = std::min(picture.top, y);
      picture.bottom = std::max(picture.bottom, y);
      if (c.r > 150 && c.b < 100) {
        ++picture.near;
        picture.nearRow += y;
      } else if (c.b > 150 && c.r < 100) {
        ++picture.far;
        picture.farRow += y;
      }
    }
  }
  if (picture.near > 0) picture.nearRow /= picture.near;
  if (picture.far > 0) picture.farRow /= picture.far;
  // A second pass for the far points' sides of the box.
  const int middle = (picture.left + picture.right) / 2;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (x < cornerRight && y >= cornerTop) continue;
      const Rgb c = Split(image.pixels[static_cast<size_t>(y) * image.width + x]);
      if (!IsGrey(c) && c.b > 150 && c.r < 100) ++(x < middle ? picture.farLeft : picture.farRight);
    }
  }
  return picture;
}

}  // namespace testing
}  // namespace kelvara
