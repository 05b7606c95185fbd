#include "export/cloud_builder.h"

#include <cstring>
#include <limits>

namespace kelvara {
namespace cloud {
namespace {

int16_t Word(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

}  // namespace

void BuildCloud(const PointFrame& frame, const CloudLayout& layout, pcl::PointCloud<pcl::PointXYZI>* cloud,
                const std::vector<uint8_t>* flagged) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const size_t amp_pixels = frame.amplitude.size() / 2;
  const bool opencv = layout.axes == CloudAxes::kOpenCv;
  const float sign = opencv ? -1.0f : 1.0f;
  cloud->clear();
  cloud->reserve(kPixelCount);
  for (int row = 0; row < kFrameHeight; ++row) {
    const int r = opencv ? kFrameHeight - 1 - row : row;
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      const unsigned char* rec = frame.records.data() + kPointRecordBytes * i;
      const int x = Word(rec);
      pcl::PointXYZI p;
      // x outside the measuring range: the record carries a sample code, not a point.
      const bool dropped = flagged != nullptr && static_cast<size_t>(i) < flagged->size() && (*flagged)[i] != 0;
      if (x < -kMaxDistanceMm || x > kMaxDistanceMm || dropped) {
        if (!layout.organised) continue;
        p.x = p.y = p.z = nan;
        p.intensity = nan;
      } else {
        p.x = sign * static_cast<float>(x) / 1000.0f;
        p.y = sign * static_cast<float>(Word(rec + 2)) / 1000.0f;
        p.z = static_cast<float>(Word(rec + 4)) / 1000.0f;
        const int a = static_cast<size_t>(i) < amp_pixels ? Word(frame.amplitude.data() + 2 * i) : 0;
        p.intensity = (a >= 0 && a <= 255) ? static_cast<float>(a) : 0.0f;
      }
      cloud->push_back(p);
    }
  }
  if (layout.organised) {
    cloud->width = kFrameWidth;
    cloud->height = kFrameHeight;
    cloud->is_dense = false;
  } else {
    cloud->width = static_cast<uint32_t>(cloud->size());
    cloud->height = 1;
    cloud->is_dense = true;
  }
}

}  // namespace cloud
}  // namespace kelvara
