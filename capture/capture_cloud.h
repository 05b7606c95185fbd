#pragma once
// --cloud ply|pcd: beside the log files of every logged frame, a cloud that
// standard tools open ("<name>_cloud_<NNNN>.ply" or ".pcd"): x, y, z in
// metres, the amplitude as intensity; a PCD cloud organised with the pixels
// without a point as NaN, a PLY cloud with only the pixels with a point.
// Each is written whole or not at all.
//
// --filter: the filter chain runs over a copy of the point frame; flying
// pixels are NaN in a PCD cloud and left out of a PLY cloud. The frame
// itself, and so every log file and the recording, stays as the camera
// sent it.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "export/point_frame.h"
#include "filters/filter_chain.h"
#include "measure/measurement_outputs.h"

namespace kelvara {

class CloudOutputs : public MeasurementOutputs {
 public:
  // `kind` is "ply" or "pcd"; `filters` the stages to apply (none by default).
  CloudOutputs(MeasurementOutputs& inner, std::string folder, std::string base, std::string kind,
               const filters::FilterSettings& filters = {})
      : inner_(inner), folder_(std::move(folder)), base_(std::move(base)), kind_(std::move(kind)), chain_(filters) {}

  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override;
  void LogProgress(int logged, int total) override;
  void MonitorUpdate(double frame_rate, const TemperatureSample& s) override { inner_.MonitorUpdate(frame_rate, s); }
  void CentreReadout(const std::string& text) override { inner_.CentreReadout(text); }
  void LoggingRunEnded() override { inner_.LoggingRunEnded(); }
  void RunEndedByItself() override { inner_.RunEndedByItself(); }
  void PictureChanged() override { inner_.PictureChanged(); }

  // The first cloud that could not be written ("Failed to output file!! ..."),
  // empty when all were. Read after the run.
  std::string FirstFailure() const;

 private:
  MeasurementOutputs& inner_;
  std::string folder_, base_, kind_;
  // The frame of the current cycle: valid from FrameReceived until the
  // worker's next cycle, which is where LogProgress comes.
  const unsigned char* frame_ = nullptr;
  size_t size_ = 0;
  // The copy of that frame that becomes the cloud: filtered, with its
  // flying pixels in flagged_, when there are filters. A temporal average
  // must follow every received frame, so with it the chain runs in
  // FrameReceived; without it only for the frames that are logged.
  filters::FilterChain chain_;
  cloud::PointFrame points_;
  std::vector<uint8_t> flagged_;
  bool points_current_ = false;  // points_ is the copy of frame_

  void CopyCurrentFrame();
  mutable std::mutex mutex_;
  std::string failure_;
};

// Whether this build can write clouds (kelvara-export's library is built).
bool CloudExportBuilt();

}  // namespace kelvara
