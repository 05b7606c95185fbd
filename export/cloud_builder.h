#pragma once
// A point frame as a cloud standard tools read: x, y, z in metres and the
// amplitude as intensity. Organised: 320 x 240 points in pixel order, pixels
// without a point as NaN, is_dense false. Unorganised: only the pixels that
// carry a point, width = their number, height 1.
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "export/cloud_format.h"
#include "export/point_frame.h"

namespace kelvara {
namespace cloud {

// Intensity is the amplitude word when it is an amplitude (0..255) and 0
// for the amplitude codes (overflow, saturation, invalid) and for pixels
// whose amplitude the file does not hold. In camera axes the points and the
// rows are as the camera gives them (row 0 first); in OpenCV axes x and y
// change sign and the rows come top row (the camera's row 239) first. A
// pixel with (*flagged)[i] != 0 (a flying pixel; i in the camera's pixel
// order) has no point either.
void BuildCloud(const PointFrame& frame, const CloudLayout& layout, pcl::PointCloud<pcl::PointXYZI>* cloud,
                const std::vector<uint8_t>* flagged = nullptr);

}  // namespace cloud
}  // namespace kelvara
