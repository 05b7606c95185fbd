#pragma once
// How noisy a distance is at a given amplitude: a time-of-flight camera's
// distance noise falls with the light it gets back. The law is
//   sigma(a) = base_mm + scale_mm / max(a, kWeakestAmplitude)
// with a in amplitude words (0..255 at exposure 425 us). The default is the
// one the simulator's room scene follows; a recording of a still scene gives
// a camera's own law (FitNoiseLaw).
#include <algorithm>

namespace kelvara {
namespace filters {

// Below this amplitude the noise is taken as that of this amplitude.
constexpr double kWeakestAmplitude = 4.0;

struct NoiseLaw {
  double base_mm = 1.0;
  double scale_mm = 200.0;
  double Sigma(double amplitude) const { return base_mm + scale_mm / std::max(amplitude, kWeakestAmplitude); }
};

}  // namespace filters
}  // namespace kelvara
