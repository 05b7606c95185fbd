#include "filters/testing/room_frames.h"

#include <algorithm>
#include <cmath>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace filters {
namespace testing {
RangeFrame FromPlanes(const unsigned char* frame) {
  RangeFrame f;
  RangesFromPlanes(frame, frame + kPlane1Offset, &f);
  return f;
}

RoomFrame TakeRoomFrame(camsim::RoomScene* scene, double seconds) {
  camsim::CameraParameters p;
  p.format_code = kFormatCodes[4];  // distance and amplitude planes
  RoomFrame out;
  out.frame = FromPlanes(scene->Frame(p, seconds));
  out.mixed = scene->mixed();
  out.clean = scene->clean_mm();
  out.floating.assign(kPixelCount, 0);
  for (int i = 0; i < kPixelCount; ++i) {
    if (!out.mixed[i] || out.clean[i] < 0 || out.frame.state[i] != kMeasured) continue;
    const double d = out.clean[i];
    const double a = out.frame.amplitude[i];
    const double t = FlyingJump(FlyingSettings{}, NoiseLaw{}, d, a) + 3 * NoiseLaw{}.Sigma(a);
    out.floating[i] = d - scene->mixed_near_mm()[i] > t && scene->mixed_far_mm()[i] - d > t;
  }
  out.edge.assign(kPixelCount, 0);
  out.wall.assign(kPixelCount, 0);
  using Surface = camsim::RoomScene::Surface;
  const std::vector<uint8_t>& surface = scene->surfaces();
  for (int r = 2; r < kFrameHeight - 2; ++r)
    for (int c = 2; c < kFrameWidth - 2; ++c) {
      const int i = r * kFrameWidth + c;
      if (out.mixed[i] || out.frame.state[i] != kMeasured) continue;
      bool edge = false, all_wall = true;
      for (int dr = -2; dr <= 2; ++dr)
        for (int dc = -2; dc <= 2; ++dc) {
          const int j = i + dr * kFrameWidth + dc;
          all_wall &= surface[j] == camsim::RoomScene::kWall && !out.mixed[j];
          if (std::abs(dr) <= 1 && std::abs(dc) <= 1)
            edge |= out.mixed[j] ||
                    camsim::RoomScene::IsEdge(static_cast<Surface>(surface[i]), static_cast<Surface>(surface[j]));
        }
      out.edge[i] = edge;
      out.wall[i] = all_wall;
    }
  return out;
}

FlyingScore ScoreFlying(const RoomFrame& truth, const RangeFrame& flagged) {
  FlyingScore s;
  for (size_t i = 0; i < flagged.state.size(); ++i) {
    if (truth.frame.state[i] != kMeasured) continue;
    const bool caught = flagged.state[i] == kFlagged;
    if (truth.mixed[i]) {
      ++s.mixed;
      s.mixed_caught += caught;
      if (truth.floating[i]) {
        ++s.floating;
        s.floating_caught += caught;
      }
    } else {
      ++s.valid;
      s.valid_removed += caught;
    }
  }
  return s;
}

}  // namespace testing
}  // namespace filters
}  // namespace kelvara
