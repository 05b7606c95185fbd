#pragma once
// kelvara-export --filter: the filter chain over a point frame before it
// becomes a cloud. Flagged flying pixels lose their point.
#include <cstdint>
#include <vector>

#include "export/point_frame.h"
#include "filters/filter_chain.h"

namespace kelvara {
namespace cloud {

// Filters `frame` in place (its records move along their rays) and sets
// (*flagged)[i] to 1 for each flying pixel. The chain keeps its temporal
// average from frame to frame: give it the frames in recorded order.
void FilterPointFrame(filters::FilterChain* chain, PointFrame* frame, std::vector<uint8_t>* flagged);

}  // namespace cloud
}  // namespace kelvara
