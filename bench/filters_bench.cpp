// The measurement filters on frames of the room scene (76,800 pixels, with
// mixed pixels at the ball's and the doorway's edges and amplitude-dependent
// noise). Each benchmark times one stage per frame and reports, as counters,
// what the stage achieves against the simulator's ground truth:
//   flying    floating_caught: share of the mixed pixels floating between
//             their two surfaces that are flagged; mixed_caught: share of all
//             mixed pixels (many lie on one of their surfaces); valid_removed:
//             share of the pixels the scene did not mix that are flagged
//   spatial   wall_rms_gain: RMS error against the noise-free wall before /
//             after; edge_moved: share of the pixels beside an edge that the
//             smoothing moves by more than 30 mm (on the noise-free frame,
//             so that every move is smear, not noise removed)
//   temporal  static_rms_gain: RMS error before / after on pixels whose
//             noise-free distance has not changed for 8 frames (10 fps)
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "filters/filter_chain.h"
#include "filters/testing/room_frames.h"

namespace kelvara {
namespace filters {
namespace {

using testing::RoomFrame;
using testing::TakeRoomFrame;

constexpr double kFrameGapS = 0.1;

// Ten frames spread over the ball's round, noisy and mixed.
const std::vector<RoomFrame>& Frames() {
  static const std::vector<RoomFrame> frames = [] {
    camsim::RoomScene room(3);
    std::vector<RoomFrame> out;
    for (int k = 0; k < 10; ++k) out.push_back(TakeRoomFrame(&room, k * 1.0 + 0.25));
    return out;
  }();
  return frames;
}

void BM_Flying(benchmark::State& state) {
  const FilterSettings s;
  RangeFrame f;
  size_t k = 0;
  for (auto _ : state) {
    f = Frames()[k++ % Frames().size()].frame;
    FlagFlyingPixels(s.flying_settings, s.noise, &f);
    benchmark::DoNotOptimize(f.state.data());
  }
  testing::FlyingScore all;
  for (const RoomFrame& truth : Frames()) {
    RangeFrame g = truth.frame;
    FlagFlyingPixels(s.flying_settings, s.noise, &g);
    const testing::FlyingScore one = testing::ScoreFlying(truth, g);
    all.mixed += one.mixed;
    all.mixed_caught += one.mixed_caught;
    all.floating += one.floating;
    all.floating_caught += one.floating_caught;
    all.valid += one.valid;
    all.valid_removed += one.valid_removed;
  }
  state.counters["floating_caught"] = all.floating_share();
  state.counters["mixed_caught"] = all.mixed_share();
  state.counters["valid_removed"] = all.removed_share();
}
BENCHMARK(BM_Flying)->Unit(benchmark::kMillisecond);

void BM_Spatial(benchmark::State& state) {
  const FilterSettings s;
  RangeFrame f;
  size_t k = 0;
  for (auto _ : state) {
    f = Frames()[k++ % Frames().size()].frame;
    SmoothSpatially(s.spatial_settings, s.noise, &f);
    benchmark::DoNotOptimize(f.range.data());
  }
  double before = 0, after = 0;
  for (const RoomFrame& truth : Frames()) {
    RangeFrame g = truth.frame;
    SmoothSpatially(s.spatial_settings, s.noise, &g);
    auto wall = [&](size_t i) { return truth.wall[i] != 0; };
    before += std::pow(testing::RmsAgainstClean(truth, truth.frame, wall), 2);
    after += std::pow(testing::RmsAgainstClean(truth, g, wall), 2);
  }
  state.counters["wall_rms_gain"] = std::sqrt(before / after);
  camsim::RoomScene clean(3, /*noise=*/false);
  long edge = 0, moved = 0;
  for (int k2 = 0; k2 < 10; ++k2) {
    const RoomFrame truth = TakeRoomFrame(&clean, k2 * 1.0 + 0.25);
    RangeFrame g = truth.frame;
    SmoothSpatially(s.spatial_settings, s.noise, &g);
    for (size_t i = 0; i < g.range.size(); ++i) {
      if (!truth.edge[i]) continue;
      ++edge;
      moved += std::abs(g.range[i] - truth.frame.range[i]) > 30.0f;
    }
  }
  state.counters["edge_moved"] = static_cast<double>(moved) / edge;
}
BENCHMARK(BM_Spatial)->Unit(benchmark::kMillisecond);

void BM_Temporal(benchmark::State& state) {
  const FilterSettings s;
  // A run of frames 0.1 s apart: the ball moves, the rest of the room stays.
  static const std::vector<RoomFrame> run = [] {
    camsim::RoomScene room(4);
    std::vector<RoomFrame> out;
    for (int k = 0; k < 30; ++k) out.push_back(TakeRoomFrame(&room, k * kFrameGapS));
    return out;
  }();
  TemporalAverage average;
  RangeFrame f;
  size_t k = 0;
  for (auto _ : state) {
    f = run[k++ % run.size()].frame;
    average.Apply(s.temporal_settings, s.noise, &f);
    benchmark::DoNotOptimize(f.range.data());
  }
  TemporalAverage fresh;
  double before = 0, after = 0;
  long n = 0;
  for (size_t j = 0; j < run.size(); ++j) {
    RangeFrame g = run[j].frame;
    fresh.Apply(s.temporal_settings, s.noise, &g);
    if (j < 8) continue;
    for (size_t i = 0; i < g.range.size(); ++i) {
      bool still = g.state[i] == kMeasured && !run[j].mixed[i];
      for (size_t back = j - 8; back < j && still; ++back)
        still = run[back].frame.state[i] == kMeasured && run[back].clean[i] == run[j].clean[i];
      if (!still) continue;
      before += std::pow(run[j].frame.range[i] - run[j].clean[i], 2);
      after += std::pow(g.range[i] - run[j].clean[i], 2);
      ++n;
    }
  }
  state.counters["static_rms_gain"] = std::sqrt(before / after);
  state.counters["static_pixels"] = static_cast<double>(n) / (run.size() - 8);
}
BENCHMARK(BM_Temporal)->Unit(benchmark::kMillisecond);

// The whole chain on a plane frame, reading and writing its words.
void BM_Chain(benchmark::State& state) {
  FilterSettings s;
  s.flying = s.spatial = s.temporal = true;
  FilterChain chain(s);
  camsim::RoomScene room(3);
  camsim::CameraParameters p;
  p.format_code = 0x0100;  // distance and amplitude planes
  std::vector<std::vector<unsigned char>> frames;
  for (int k = 0; k < 10; ++k) {
    const unsigned char* f = room.Frame(p, k * kFrameGapS);
    frames.emplace_back(f, f + 307200);
  }
  std::vector<unsigned char> work;
  std::vector<uint8_t> flags;
  size_t k = 0;
  for (auto _ : state) {
    work = frames[k++ % frames.size()];
    chain.ApplyToPlanes(work.data(), work.data() + 153600, &flags);
    benchmark::DoNotOptimize(flags.data());
  }
}
BENCHMARK(BM_Chain)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace filters
}  // namespace kelvara
