#include "capture/capture_cloud.h"

#include <cstdio>

#include "export/cloud_builder.h"
#include "export/cloud_writer.h"
#include "export/frame_filters.h"

namespace kelvara {

bool CloudExportBuilt() { return true; }

void CloudOutputs::FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) {
  frame_ = frame;
  size_ = size;
  points_current_ = false;
  inner_.FrameReceived(frame, size, receipt_ns);
  if (chain_.settings().temporal && size_ >= kPcdFileBytes) CopyCurrentFrame();
}

void CloudOutputs::CopyCurrentFrame() {
  cloud::SplitFrameBytes(frame_, size_, &points_);
  if (chain_.settings().any()) cloud::FilterPointFrame(&chain_, &points_, &flagged_);
  points_current_ = true;
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
    if (!points_current_) CopyCurrentFrame();
    pcl::PointCloud<pcl::PointXYZI> cloud;
    cloud::BuildCloud(points_, layout, &cloud, chain_.settings().any() ? &flagged_ : nullptr);
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
