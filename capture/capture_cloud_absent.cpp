// The capture tool built without kelvara-export's library: --cloud is
// refused at start, so these are never reached with a frame.
#include "capture/capture_cloud.h"

namespace kelvara {

bool CloudExportBuilt() { return false; }

void CloudOutputs::FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) {
  inner_.FrameReceived(frame, size, receipt_ns);
}

void CloudOutputs::LogProgress(int logged, int total) { inner_.LogProgress(logged, total); }

std::string CloudOutputs::FirstFailure() const { return {}; }

}  // namespace kelvara
