#include "export/frame_filters.h"

namespace kelvara {
namespace cloud {

void FilterPointFrame(filters::FilterChain* chain, PointFrame* frame, std::vector<uint8_t>* flagged) {
  const unsigned char* amplitude = frame->amplitude.empty() ? nullptr : frame->amplitude.data();
  chain->ApplyToPoints(frame->records.data(), amplitude, static_cast<int>(frame->amplitude.size() / 2), flagged);
}

}  // namespace cloud
}  // namespace kelvara
