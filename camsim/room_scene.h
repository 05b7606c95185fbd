#pragma once
// The "room" scene: the camera 1 m above a floor, facing a back wall 4.5 m
// away that has an open doorway, with a ball that circles towards the camera
// and away again every 10 s. Everything follows from the pinhole lens of
// room_lens.h:
//   - a polar distance is the length of the pixel's ray to the first surface;
//   - a point record is the point where that ray meets the surface (the
//     distance along the ray's direction), as a real camera reports it; the
//     "rot" formats then turn it by the rotation angles (x, then y, then z);
//   - the amplitude falls with distance (and grows with the exposure time);
//     above 255 the pixel saturates (distance 31000, amplitude 511); below the
//     amplitude minimum (the near one under 1.5 m) it has no distance (30000);
//   - a ray that meets nothing within 12499 mm has no data (30000,
//     amplitude 0);
//   - a pixel that straddles the ball's or the doorway's edge sees both
//     surfaces: it reports their distances blended by the light each sends
//     back (a "mixed" or flying pixel between the two), and the scene keeps
//     which pixels it mixed as ground truth;
//   - the noise of a distance falls with its amplitude as the default noise
//     law of filters/noise_law.h says;
//   - with a warm-up time constant the temperatures rise by 15 degC towards
//     their end values and every distance drifts by 1.6 mm per degC.
#include <cstdint>
#include <vector>

#include "camsim/scene.h"

namespace kelvara {
namespace camsim {

class RoomScene final : public Scene {
 public:
  explicit RoomScene(uint64_t seed, bool noise = true, bool mixed_pixels = true);
  const unsigned char* Frame(const CameraParameters& p, double seconds) override;
  const unsigned char* AngleTable() override;
  void Temperatures(double seconds, int16_t imager[4], int16_t* led) override;

  // Ray length to the first surface of pixel `pixel` at `seconds`, in mm, and
  // its amplitude at exposure 425 us before saturation; distance < 0 when
  // the ray meets nothing.
  struct Hit {
    double distance;
    double amplitude;
  };
  Hit Trace(int pixel, double seconds) const;

  static constexpr double kFloorY = -1000.0;
  static constexpr double kWallZ = 4500.0;
  static constexpr double kBallRadius = 300.0;
  static constexpr double kBallPeriodS = 10.0;
  static constexpr double kWarmUpRiseC = 15.0;
  static constexpr double kDriftMmPerC = 1.6;

  // Makes the camera warm up: temperatures approach their end values
  // exponentially with this time constant, distances drift with them.
  void SetWarmUp(double minutes) { warm_up_s_ = minutes * 60.0; }
  // Degrees Celsius the camera has warmed by at `seconds` (0 without warm-up).
  double WarmUpRise(double seconds) const;

  // Ground truth of the last frame, per pixel: 1 where the pixel straddles
  // an edge and blends two surfaces; the nearer and the farther surface's
  // distance there (mm, 0 elsewhere); and the distance the pixel reports
  // before noise and rounding (< 0 for no surface).
  const std::vector<uint8_t>& mixed() const { return mixed_; }
  const std::vector<float>& mixed_near_mm() const { return near_; }
  const std::vector<float>& mixed_far_mm() const { return far_; }
  const std::vector<float>& clean_mm() const { return clean_; }
  // What each pixel's centre sees in the last frame.
  enum Surface : uint8_t { kNothing, kFloor, kWall, kBall, kFloorBeyond };
  const std::vector<uint8_t>& surfaces() const { return surface_; }
  // The ball against anything, and the doorway's opening against the wall,
  // are depth edges; the floor meets the wall and runs through the doorway
  // without a step.
  static bool IsEdge(Surface a, Surface b);
  // Centre of the ball at `seconds`.
  static void BallCentre(double seconds, double c[3]);

 private:
  struct SurfaceHit {
    Hit hit;
    Surface surface;
  };
  Hit TraceWithBall(int pixel, const double centre[3]) const;
  SurfaceHit TraceRay(double x, double y, double z, const double centre[3]) const;
  // The pixel's footprint sampled over a grid: the blend of what it sees.
  Hit BlendFootprint(int pixel, const double centre[3]);
  std::vector<float> rx_, ry_, rz_;  // unit ray per pixel; a point record is ray * distance
  std::vector<unsigned char> angle_table_;
  std::vector<unsigned char> frame_;
  std::vector<float> gauss_;  // standard normal samples for the noise
  uint64_t seed_;
  uint64_t frames_ = 0;
  bool noise_;
  bool mixed_pixels_;
  double warm_up_s_ = 0;
  std::vector<Hit> hits_;
  std::vector<uint8_t> surface_, mixed_;
  std::vector<float> near_, far_, clean_;
};

}  // namespace camsim
}  // namespace kelvara
