#pragma once
// The cloud files' bytes without PCL: the points a point frame gives (the
// rule kelvara-export's clouds follow) and the binary PCD and PLY layouts.
// kelvara-export fills PCL's cloud from the same points; the client writes
// its snapshot cloud straight from a frame. Both produce the same bytes.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "export/cloud_format.h"
#include "export/point_frame.h"

namespace kelvara {
namespace cloud {

namespace encoding_detail {
inline int16_t Word(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }
}  // namespace encoding_detail

// Calls point(x, y, z, intensity) for every point of the cloud of `frame`,
// in the cloud's order: x, y, z in metres, intensity the amplitude word when
// it is an amplitude (0..255) and 0 for the amplitude codes and for pixels
// whose amplitude the file does not hold. A record whose x lies outside the
// measuring range carries a sample code, not a point; such a pixel, and one
// with (*flagged)[i] != 0 (i in the camera's pixel order), gives NaN in all
// four values when `layout` is organised and no call at all otherwise. In
// camera axes the rows come as the camera gives them (row 0 first); in
// OpenCV axes x and y change sign and the camera's row 239 comes first.
template <typename PointFn>
void ForEachCloudPoint(const PointFrame& frame, const CloudLayout& layout, const std::vector<uint8_t>* flagged,
                       PointFn point) {
  using encoding_detail::Word;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const size_t amp_pixels = frame.amplitude.size() / 2;
  const bool opencv = layout.axes == CloudAxes::kOpenCv;
  const float sign = opencv ? -1.0f : 1.0f;
  for (int row = 0; row < kFrameHeight; ++row) {
    const int r = opencv ? kFrameHeight - 1 - row : row;
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      const unsigned char* rec = frame.records.data() + kPointRecordBytes * i;
      const int x = Word(rec);
      const bool dropped = flagged != nullptr && static_cast<size_t>(i) < flagged->size() && (*flagged)[i] != 0;
      if (x < -kMaxDistanceMm || x > kMaxDistanceMm || dropped) {
        if (layout.organised) point(nan, nan, nan, nan);
        continue;
      }
      const int a = static_cast<size_t>(i) < amp_pixels ? Word(frame.amplitude.data() + 2 * i) : 0;
      point(sign * static_cast<float>(x) / 1000.0f, sign * static_cast<float>(Word(rec + 2)) / 1000.0f,
            static_cast<float>(Word(rec + 4)) / 1000.0f, (a >= 0 && a <= 255) ? static_cast<float>(a) : 0.0f);
    }
  }
}

// The header of a cloud file of width x height points. PCD: PCL's binary
// layout (fields x y z intensity, float). PLY: one element `vertex` with
// float x y z intensity; an organised cloud (height > 1) also names its grid
// as PCL's reader reads it ("obj_info num_cols", "obj_info num_rows").
// `axes` is told in a PLY comment.
std::string CloudHeader(CloudFormat format, uint32_t width, uint32_t height, CloudAxes axes);

// Appends one point's four floats, little-endian, as the files hold them.
void AppendCloudPoint(std::string* out, float x, float y, float z, float intensity);

// The whole file of the cloud of `frame` (no points flagged).
std::string EncodeFrameCloud(CloudFormat format, const PointFrame& frame, const CloudLayout& layout);

// Writes `bytes` whole (temporary file, then rename). False with the reason
// in *error ("Failed to output file!! [ path ] (why)"); `path` is then left
// as it was.
bool WriteCloudBytes(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace cloud
}  // namespace kelvara
