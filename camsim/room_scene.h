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
//     amplitude 0).
#include <cstdint>
#include <vector>

#include "scene.h"

namespace kelvara {
namespace camsim {

class RoomScene final : public Scene {
 public:
  explicit RoomScene(uint64_t seed, bool noise = true);
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
  // Centre of the ball at `seconds`.
  static void BallCentre(double seconds, double c[3]);

 private:
  Hit TraceWithBall(int pixel, const double centre[3]) const;
  std::vector<float> rx_, ry_, rz_;  // unit ray per pixel; a point record is ray * distance
  std::vector<unsigned char> angle_table_;
  std::vector<unsigned char> frame_;
  std::vector<float> gauss_;  // standard normal samples for the noise
  uint64_t seed_;
  uint64_t frames_ = 0;
  bool noise_;
};

}  // namespace camsim
}  // namespace kelvara
