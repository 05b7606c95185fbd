#pragma once
// Where the picture window draws what: images, legends, range labels, the
// centre mark and the probe readout, in client-area pixels. Pure arithmetic,
// so that the window only paints what this plans.
#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  // Strictly inside: a point on the left or top edge is outside.
  bool StrictlyContains(int x, int y) const { return left < x && x < left + width && top < y && y < top + height; }
};

// What a click on an image reads: plane 0 as amplitude or distance, or plane
// 0 as distance with plane 1's amplitude on a third line.
enum class ProbeKind { kAmplitude, kDistance, kDistanceAndAmplitude };

struct ImagePlacement {
  int slot = 0;
  PixelRect rect;
  ProbeKind probe = ProbeKind::kDistance;
  int plane = 0;  // the sample plane the readout's first value comes from
};

struct LegendPlacement {
  bool amplitude = false;  // the grey legend, else the distance colours
  PixelRect rect;          // the legend's row 255 at the top, row 0 at the bottom
};

struct TextPlacement {
  int x = 0, y = 0;  // top-left corner of the text
  std::string text;
};

struct PictureLayout {
  // False when the client area is too small: only the background is shown.
  bool visible = false;
  int d = 0, e = 0;  // total width and the height of the images
  std::vector<ImagePlacement> images;
  std::vector<LegendPlacement> legends;
  std::vector<TextPlacement> labels;  // drawn with the 12-pixel font
};

// The layout for a client area of `width` x `height` pixels: one image with
// a 32-pixel legend to its right, or (formats with amplitude) a distance and
// an amplitude image side by side, each followed by a 16-pixel legend.
PictureLayout LayoutPicture(int width, int height, int display_format, int range_min, int range_max);

// The centre cross of an image rectangle: a vertical and a horizontal bar,
// one pixel thick, crossing at (cx - 1, cy - 1) with arms of four pixels.
struct CentreCross {
  PixelRect vertical, horizontal;
};
CentreCross CentreMarkOf(const PixelRect& rect);

// The sample under a click at (px, py) in `rect`, mirrors applied.
struct ProbePixel {
  int ix = 0, iy = 0;  // sample column and row
  int Index() const { return iy * kFrameWidth + ix; }
};
ProbePixel ProbeAt(int px, int py, const PixelRect& rect, bool mirror_x, bool mirror_y);

// The centre of a sample's square in `rect`, mirrors applied: the way back
// from ProbeAt, in client-area pixels.
struct PointInRect {
  double x = 0, y = 0;
};
PointInRect PixelCentre(const ProbePixel& pixel, const PixelRect& rect, bool mirror_x, bool mirror_y);

// The readout lines: "(%03d, %03d)" with the sample's column and row, then the value ("%dmm" or "- - mm" for
// distances of 12500 and more, "%d" for amplitudes), then for the
// distance-and-amplitude kind the amplitude. Drawn 12 pixels apart from
// (px + 6, py + 6) with the 14-pixel font.
std::vector<std::string> ReadoutLines(ProbeKind kind, const ProbePixel& pixel, int16_t value, int16_t amplitude);

}  // namespace kelvara
