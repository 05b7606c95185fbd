#pragma once
// The simulator's room scene as the filters see it, with the scene's ground
// truth (which pixels it mixed, the noise-free distances), and the shares
// the filters are judged by. For tests and benchmarks only.
#include <cmath>
#include <cstdint>
#include <vector>

#include "camsim/room_scene.h"
#include "filters/filter_chain.h"

namespace kelvara {
namespace filters {
namespace testing {

struct RoomFrame {
  RangeFrame frame;
  std::vector<uint8_t> mixed;  // the pixel blends two surfaces
  // Mixed, and off both its surfaces by more than the flying-pixel jump
  // (defaults) plus three times its noise: it floats visibly between them
  // whatever its noise does. A mixed pixel closer to one of its surfaces
  // lies on that surface within the noise.
  std::vector<uint8_t> floating;
  std::vector<float> clean;  // noise-free distance, < 0 for none
  // Not mixed, but beside a depth edge or a mixed pixel.
  std::vector<uint8_t> edge;
  // The back wall away from every edge and from the floor: a flat patch.
  std::vector<uint8_t> wall;
};

// A plane frame (distance plane, then amplitude plane, little-endian words)
// as ranges: codes and invalid amplitudes become kCode pixels.
RangeFrame FromPlanes(const unsigned char* frame);

// Frame "Distance(Polar)+AMP" of the scene at `seconds`.
RoomFrame TakeRoomFrame(camsim::RoomScene* scene, double seconds);

struct FlyingScore {
  long mixed = 0, mixed_caught = 0;
  long floating = 0, floating_caught = 0;
  long valid = 0, valid_removed = 0;  // measured pixels the scene did not mix
  double floating_share() const { return floating ? double(floating_caught) / floating : 0; }
  double mixed_share() const { return mixed ? double(mixed_caught) / mixed : 0; }
  double removed_share() const { return valid ? double(valid_removed) / valid : 0; }
};
FlyingScore ScoreFlying(const RoomFrame& truth, const RangeFrame& flagged);

// Root mean square of (range - clean) over the pixels `take` selects among
// those measured in `f`.
template <typename Take>
double RmsAgainstClean(const RoomFrame& truth, const RangeFrame& f, Take take) {
  double sum = 0;
  long n = 0;
  for (size_t i = 0; i < f.range.size(); ++i) {
    if (f.state[i] != kMeasured || truth.clean[i] < 0 || !take(i)) continue;
    const double e = f.range[i] - truth.clean[i];
    sum += e * e;
    ++n;
  }
  return n ? std::sqrt(sum / n) : 0.0;
}

}  // namespace testing
}  // namespace filters
}  // namespace kelvara
