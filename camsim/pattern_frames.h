#pragma once
// The "pattern" scene as the simulator serves it: fixed frames, built once
// per frame kind on first use, so that a result costs no computation.
#include <memory>
#include <vector>

#include "camsim/scene.h"

namespace kelvara {
namespace camsim {

class PatternFrames final : public Scene {
 public:
  PatternFrames();
  const unsigned char* Frame(const CameraParameters& p, double seconds) override;
  const unsigned char* AngleTable() override;
  void Temperatures(double seconds, int16_t imager[4], int16_t* led) override;

 private:
  // Frame kinds: amplitude plane (0), distance planes (1, 4), points (others).
  std::vector<unsigned char> frames_[3];
  std::vector<unsigned char> angle_table_;
};

}  // namespace camsim
}  // namespace kelvara
