#include "filters/noise_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kelvara {
namespace filters {

void NoiseReport::Add(const RangeFrame& f) {
  const size_t n = f.range.size();
  if (sum_.size() != n) {
    sum_.assign(n, 0.0);
    sum2_.assign(n, 0.0);
    amplitude_.assign(n, 0.0);
    count_.assign(n, 0);
  }
  for (size_t i = 0; i < n; ++i) {
    if (f.state[i] != kMeasured) continue;
    const double x = f.range[i];
    sum_[i] += x;
    sum2_[i] += x * x;
    amplitude_[i] += f.amplitude[i];
    ++count_[i];
  }
  ++frames_;
}

std::vector<NoiseBin> NoiseReport::Bins() const {
  constexpr int kBins = 256 / kBinWidth;
  std::vector<double> variance(kBins, 0.0), amplitude(kBins, 0.0);
  std::vector<long> pixels(kBins, 0);
  if (frames_ >= 2)
    for (size_t i = 0; i < sum_.size(); ++i) {
      if (count_[i] != frames_) continue;
      const double n = frames_, mean = sum_[i] / n, a = amplitude_[i] / n;
      const int bin = std::clamp(static_cast<int>(a) / kBinWidth, 0, kBins - 1);
      variance[bin] += std::max(0.0, (sum2_[i] - n * mean * mean) / (n - 1));
      amplitude[bin] += a;
      ++pixels[bin];
    }
  std::vector<NoiseBin> bins;
  for (int b = 0; b < kBins; ++b) {
    if (pixels[b] == 0) continue;
    NoiseBin bin;
    bin.amplitude_from = b * kBinWidth;
    bin.amplitude_to = b * kBinWidth + kBinWidth - 1;
    bin.pixels = pixels[b];
    bin.mean_amplitude = amplitude[b] / pixels[b];
    bin.rms_mm = std::sqrt(variance[b] / pixels[b]);
    bins.push_back(bin);
  }
  return bins;
}

bool NoiseReport::Fit(const std::vector<NoiseBin>& bins, NoiseLaw* law) {
  double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const NoiseBin& b : bins) {
    const double w = static_cast<double>(b.pixels), x = 1.0 / std::max(b.mean_amplitude, kWeakestAmplitude);
    sw += w;
    sx += w * x;
    sy += w * b.rms_mm;
    sxx += w * x * x;
    sxy += w * x * b.rms_mm;
  }
  const double det = sw * sxx - sx * sx;
  if (bins.size() < 2 || det <= 0) return false;
  law->scale_mm = (sw * sxy - sx * sy) / det;
  law->base_mm = (sy - law->scale_mm * sx) / sw;
  return true;
}

std::string NoiseReport::Csv(const std::vector<NoiseBin>& bins, const NoiseLaw& law) {
  std::string out = "amplitude_from,amplitude_to,pixels,mean_amplitude,rms_mm,law_mm\n";
  char line[160];
  for (const NoiseBin& b : bins) {
    std::snprintf(line, sizeof line, "%d,%d,%ld,%.2f,%.3f,%.3f\n", b.amplitude_from, b.amplitude_to, b.pixels,
                  b.mean_amplitude, b.rms_mm, law.Sigma(b.mean_amplitude));
    out += line;
  }
  return out;
}

}  // namespace filters
}  // namespace kelvara
