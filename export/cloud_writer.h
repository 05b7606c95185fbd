#pragma once
// Writes a cloud as binary PCD or binary PLY, complete or not at all: the
// file is made in memory and written under a temporary name that is renamed
// into place only when every byte is on the disk.
#include <string>

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include "export/cloud_format.h"

namespace kelvara {
namespace cloud {

// The file's bytes. PCD: PCL's binary layout (fields x y z intensity,
// float, WIDTH x HEIGHT as the cloud's). PLY: one element `vertex` with
// float x y z intensity; an organised cloud (height > 1) also names its
// grid as PCL's reader reads it ("obj_info num_cols", "obj_info num_rows").
// `axes` is told in a PLY comment.
std::string EncodeCloud(CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud,
                        CloudAxes axes = CloudAxes::kCamera);

// False with the reason in *error ("Failed to output file!! [ path ] (why)")
// when the file cannot be written whole; `path` is then left as it was.
bool WriteCloud(const std::string& path, CloudFormat format, const pcl::PointCloud<pcl::PointXYZI>& cloud,
                std::string* error, CloudAxes axes = CloudAxes::kCamera);

}  // namespace cloud
}  // namespace kelvara
