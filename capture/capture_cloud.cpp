#include "capture/capture_cloud.h"

#include <cstdio>

#include "export/cloud_builder.h"
#include "export/cloud_writer.h"
#include "export/point_frame.h"

namespace kelvara {

bool CloudExportBuilt() { return true; }

void CloudOutputs::FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) {
  frame_ = frame;
  size_ = size;
  inner_.FrameReceived(frame, size, receipt_ns);
}

void CloudOutputs::LogProgress(int logged, int total) {
  if (frame_ != nullptr && size_ >= kPcdFileBytes && logged >= 1) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", logged - 1);
    const std::string path = folder_ + "/" + base_ + "_cloud_" + number + "." + kind_;
    // As kelvara-export writes them by default: PCD organised, PLY only the
    // pixels with a point; camera axes.
    const cloud::CloudFormat format = kind_ == "ply" ? cloud::CloudFormat::kPly : cloud::CloudFormat::kPcd;
    cloud::CloudLayout layout;
    layout.organised = cloud::OrganisedByDefault(format);
    pcl::PointCloud<pcl::PointXYZI> cloud;
    cloud::BuildCloud(cloud::FromFrameBytes(frame_, size_), layout, &cloud);
    std::string error;
    if (!cloud::WriteCloud(path, format, cloud, &error)) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (failure_.empty()) failure_ = error;
    }
  }
  inner_.LogProgress(logged, total);
}

std::string CloudOutputs::FirstFailure() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

}  // namespace kelvara
