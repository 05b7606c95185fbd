#include "display/picture_layout.h"

#include <cstdio>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "display/rendering_model.h"

namespace kelvara {
namespace {

std::string Format(const char* format, int value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

PictureLayout LayoutPicture(int width, int height, int display_format, int range_min, int range_max) {
  PictureLayout layout;
  const int n = ImageCountOfFormat(display_format);
  // Integer arithmetic throughout: the images keep the 4:3 shape of the
  // camera's pixels.
  int d = width - 100 * n;
  int e = ((d / n) * kFrameHeight) / kFrameWidth;
  if (e > height - 40) {
    e = height - 40;
    d = n * ((kFrameWidth * e) / kFrameHeight);
  }
  layout.d = d;
  layout.e = e;
  if (d <= 0 || e <= 40) return layout;
  layout.visible = true;

  const std::string top_distance = Format("%5d mm", range_max);
  const std::string bottom_distance = Format("%5d mm", range_min);
  if (n == 1) {
    const bool amplitude = IsAmplitudeOnlyFormat(display_format);
    layout.images.push_back({0, {40, 20, d, e}, amplitude ? ProbeKind::kAmplitude : ProbeKind::kDistance, 0});
    layout.legends.push_back({amplitude, {d + 50, 34, 32, e + 4 - 34}});
    layout.labels.push_back({d + 50, 20, amplitude ? Format("%4d", 255) : top_distance});
    layout.labels.push_back({d + 50, e + 8, amplitude ? Format("%4d", 0) : bottom_distance});
    return layout;
  }
  const int t = (height - e) / 2;
  const int half = d / 2;
  layout.images.push_back({0, {40, t, half, e}, ProbeKind::kDistanceAndAmplitude, 0});
  layout.images.push_back({1, {half + 116, t, half, e}, ProbeKind::kAmplitude, 1});
  const int legend_top = t + 14;
  const int legend_height = (t + e - 16) - legend_top;
  layout.legends.push_back({false, {half + 50, legend_top, 16, legend_height}});
  layout.legends.push_back({true, {d + 126, legend_top, 16, legend_height}});
  layout.labels.push_back({half + 50, t, top_distance});
  layout.labels.push_back({half + 50, t + e - 12, bottom_distance});
  layout.labels.push_back({d + 126, t, Format("%4d", 255)});
  layout.labels.push_back({d + 126, t + e - 12, Format("%4d", 0)});
  return layout;
}

CentreCross CentreMarkOf(const PixelRect& rect) {
  const int cx = rect.left + rect.width / 2;
  const int cy = rect.top + rect.height / 2;
  // Lines from (cx - 1, cy - 5) to (cx - 1, cy + 4) and from (cx - 5, cy - 1)
  // to (cx + 4, cy - 1), end points excluded: nine pixels each.
  return {{cx - 1, cy - 5, 1, 9}, {cx - 5, cy - 1, 9, 1}};
}

ProbePixel ProbeAt(int px, int py, const PixelRect& rect, bool mirror_x, bool mirror_y) {
  ProbePixel p;
  constexpr int kLastColumn = kFrameWidth - 1;
  constexpr int kLastRow = kFrameHeight - 1;
  p.ix = static_cast<int>((px - rect.left) * (static_cast<double>(kFrameWidth) / rect.width));
  p.iy = static_cast<int>((py - rect.top) * (static_cast<double>(kFrameHeight) / rect.height));
  // A strictly inside point lands on a pixel; keep it so for any rect.
  if (p.ix < 0) p.ix = 0;
  if (p.ix > kLastColumn) p.ix = kLastColumn;
  if (p.iy < 0) p.iy = 0;
  if (p.iy > kLastRow) p.iy = kLastRow;
  if (mirror_x) p.ix = kLastColumn - p.ix;
  if (mirror_y) p.iy = kLastRow - p.iy;
  return p;
}

PointInRect PixelCentre(const ProbePixel& pixel, const PixelRect& rect, bool mirror_x, bool mirror_y) {
  const int column = mirror_x ? kFrameWidth - 1 - pixel.ix : pixel.ix;
  const int row = mirror_y ? kFrameHeight - 1 - pixel.iy : pixel.iy;
  PointInRect p;
  p.x = rect.left + (column + 0.5) * rect.width / kFrameWidth;
  p.y = rect.top + (row + 0.5) * rect.height / kFrameHeight;
  return p;
}

std::vector<std::string> ReadoutLines(ProbeKind kind, const ProbePixel& pixel, int16_t value, int16_t amplitude) {
  std::vector<std::string> lines;
  char text[32];
  // The camera's column and row, as the status bar, the logs and the tools number them.
  std::snprintf(text, sizeof text, "(%03d, %03d)", pixel.ix, pixel.iy);
  lines.push_back(text);
  if (kind == ProbeKind::kAmplitude) {
    lines.push_back(Format("%d", value));
    return lines;
  }
  lines.push_back(value < 12500 ? Format("%dmm", value) : std::string("- - mm"));
  if (kind == ProbeKind::kDistanceAndAmplitude) lines.push_back(Format("%d", amplitude));
  return lines;
}

}  // namespace kelvara
