#pragma once
// The noise of a still scene against amplitude: each pixel's spread over the
// frames (its temporal RMS), pooled in amplitude bins, and the noise law
// fitted to the bins.
#include <cstdint>
#include <string>
#include <vector>

#include "filters/filter_chain.h"
#include "filters/noise_law.h"

namespace kelvara {
namespace filters {

struct NoiseBin {
  int amplitude_from = 0, amplitude_to = 0;  // inclusive
  long pixels = 0;                           // pixels measured in every frame
  double mean_amplitude = 0;
  double rms_mm = 0;  // root of the mean of the pixels' temporal variances
};

class NoiseReport {
 public:
  static constexpr int kBinWidth = 8;
  // Adds one frame of the still scene; only kMeasured pixels count.
  void Add(const RangeFrame& frame);
  int frames() const { return frames_; }
  // Bins holding at least one pixel, by amplitude.
  std::vector<NoiseBin> Bins() const;
  // Least-squares fit of sigma = base + scale / max(a, 4) to the bins,
  // weighted by their pixels. False when fewer than two bins have pixels.
  static bool Fit(const std::vector<NoiseBin>& bins, NoiseLaw* law);
  // The CSV file: header line, then one line per bin with the law's value.
  static std::string Csv(const std::vector<NoiseBin>& bins, const NoiseLaw& law);

 private:
  int frames_ = 0;
  std::vector<double> sum_, sum2_, amplitude_;
  std::vector<int> count_;
};

}  // namespace filters
}  // namespace kelvara
