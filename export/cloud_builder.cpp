#include "export/cloud_builder.h"

#include "export/cloud_encoding.h"

namespace kelvara {
namespace cloud {

void BuildCloud(const PointFrame& frame, const CloudLayout& layout, pcl::PointCloud<pcl::PointXYZI>* cloud,
                const std::vector<uint8_t>* flagged) {
  cloud->clear();
  cloud->reserve(kPixelCount);
  ForEachCloudPoint(frame, layout, flagged, [cloud](float x, float y, float z, float intensity) {
    pcl::PointXYZI p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.intensity = intensity;
    cloud->push_back(p);
  });
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
