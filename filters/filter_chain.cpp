#include "filter_chain.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace kelvara {
namespace filters {
namespace {

int Word(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

void Put(unsigned char* p, int v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

}  // namespace

double FlyingJump(const FlyingSettings& s, const NoiseLaw& law, double d, double a) {
  return std::max({s.min_jump_mm, s.relative_jump * d, s.noise_factor > 0 ? s.noise_factor * law.Sigma(a) : 0.0});
}

bool ParseFilterList(const std::string& text, FilterSettings* settings, std::string* error) {
  FilterSettings s = *settings;
  s.flying = s.spatial = s.temporal = false;
  std::stringstream in(text);
  std::string name;
  int named = 0;
  while (std::getline(in, name, ',')) {
    bool* stage = name == "flying"     ? &s.flying
                  : name == "spatial"  ? &s.spatial
                  : name == "temporal" ? &s.temporal
                                       : nullptr;
    if (stage == nullptr) {
      *error = "unknown filter \"" + name + "\" (the filters are flying, spatial and temporal)";
      return false;
    }
    if (*stage) {
      *error = "filter " + name + " is named twice";
      return false;
    }
    *stage = true;
    ++named;
  }
  if (named == 0 || text.back() == ',') {
    *error = "name at least one filter: flying, spatial, temporal";
    return false;
  }
  *settings = s;
  return true;
}

void RangeFrame::Resize(int w, int h) {
  width = w;
  height = h;
  range.assign(static_cast<size_t>(w) * h, 0.0f);
  amplitude.assign(static_cast<size_t>(w) * h, kUnknownAmplitude);
  state.assign(static_cast<size_t>(w) * h, kCode);
}

void FlagFlyingPixels(const FlyingSettings& s, const NoiseLaw& law, RangeFrame* f) {
  const int w = f->width, h = f->height;
  const float* d = f->range.data();
  uint8_t* state = f->state.data();
  // Flags go to a list first: a flagged pixel stays a neighbour for the rest.
  std::vector<int> flagged;
  static const int kDr[4] = {0, 1, 1, 1}, kDc[4] = {1, 0, 1, -1};
  auto measured = [&](int r, int c) { return r >= 0 && r < h && c >= 0 && c < w && state[r * w + c] == kMeasured; };
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const int i = r * w + c;
      if (state[i] != kMeasured) continue;
      const float di = d[i];
      const float t = static_cast<float>(FlyingJump(s, law, di, f->amplitude[i]));
      const float geometric = static_cast<float>(std::max(s.min_jump_mm, s.relative_jump * di));
      // Along one of the four axes through the pixel, one side nearer and
      // the other farther by more than the jump.
      bool straddled = false, ramp = false;
      for (int k = 0; k < 4 && !ramp; ++k) {
        const int r1 = r + kDr[k], c1 = c + kDc[k], r2 = r - kDr[k], c2 = c - kDc[k];
        if (!measured(r1, c1) || !measured(r2, c2)) continue;
        const float a = d[r1 * w + c1] - di, b = d[r2 * w + c2] - di;
        straddled |= (a < -t && b > t) || (a > t && b < -t);
        // A surface seen at a grazing angle steps by more than the jump from
        // pixel to pixel, yet each step continues the last: the outer
        // neighbours lie on the same line (within the jump). A pixel between
        // two surfaces breaks the line on both sides: there the break is the
        // jump itself. Where the line runs out of the frame or into a code,
        // the other side decides with the pixel lying on the line through
        // its two neighbours.
        if (!((a < -geometric && b > geometric) || (a > geometric && b < -geometric))) continue;
        const int r3 = r + 2 * kDr[k], c3 = c + 2 * kDc[k], r4 = r - 2 * kDr[k], c4 = c - 2 * kDc[k];
        const bool out3 = measured(r3, c3), out4 = measured(r4, c4);
        const bool between = std::abs(a + b) < t;  // on the line through its two neighbours
        ramp = (out3 || out4) && (!out3 || std::abs(d[r3 * w + c3] - 2 * d[r1 * w + c1] + di) < t) &&
               (!out4 || std::abs(d[r4 * w + c4] - 2 * d[r2 * w + c2] + di) < t) && ((out3 && out4) || between);
      }
      if (straddled && !ramp) flagged.push_back(i);
    }
  for (int i : flagged) state[i] = kFlagged;
}

void SmoothSpatially(const SpatialSettings& s, const NoiseLaw& law, RangeFrame* f) {
  const int w = f->width, h = f->height, radius = s.radius;
  const uint8_t* state = f->state.data();
  std::vector<float> edge(f->range.size());
  for (size_t i = 0; i < edge.size(); ++i) edge[i] = static_cast<float>(s.edge_factor * law.Sigma(f->amplitude[i]));
  std::vector<float> pass(f->range);
  // Rows, then columns: a (2r+1) x (2r+1) window of the pixel's own surface.
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const int i = r * w + c;
      if (state[i] != kMeasured) continue;
      const float di = f->range[i], e = edge[i];
      float sum = 0;
      int n = 0;
      for (int cc = std::max(0, c - radius); cc <= std::min(w - 1, c + radius); ++cc) {
        const int j = r * w + cc;
        if (state[j] == kMeasured && std::abs(f->range[j] - di) <= e) {
          sum += f->range[j];
          ++n;
        }
      }
      pass[i] = sum / static_cast<float>(n);
    }
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const int i = r * w + c;
      if (state[i] != kMeasured) continue;
      const float di = pass[i], e = edge[i];
      float sum = 0;
      int n = 0;
      for (int rr = std::max(0, r - radius); rr <= std::min(h - 1, r + radius); ++rr) {
        const int j = rr * w + c;
        if (state[j] == kMeasured && std::abs(pass[j] - di) <= e) {
          sum += pass[j];
          ++n;
        }
      }
      f->range[i] = sum / static_cast<float>(n);
    }
}

void TemporalAverage::Apply(const TemporalSettings& s, const NoiseLaw& law, RangeFrame* f) {
  const size_t n = f->range.size();
  if (mean_.size() != n) {
    mean_.assign(n, 0.0f);
    frames_.assign(n, 0.0f);
  }
  const float min_weight = static_cast<float>(s.alpha);
  for (size_t i = 0; i < n; ++i) {
    if (f->state[i] == kCode) {
      frames_[i] = 0;  // the average starts afresh when the pixel returns
      continue;
    }
    if (f->state[i] == kFlagged) continue;
    const float x = f->range[i];
    const float reset = static_cast<float>(s.reset_factor * law.Sigma(f->amplitude[i]));
    if (frames_[i] == 0 || std::abs(x - mean_[i]) > reset) {
      mean_[i] = x;
      frames_[i] = 1;
    } else {
      frames_[i] += 1;
      mean_[i] += std::max(1.0f / frames_[i], min_weight) * (x - mean_[i]);
    }
    f->range[i] = mean_[i];
  }
}

void FilterChain::Apply(RangeFrame* frame) {
  if (settings_.flying) FlagFlyingPixels(settings_.flying_settings, settings_.noise, frame);
  if (settings_.spatial) SmoothSpatially(settings_.spatial_settings, settings_.noise, frame);
  if (settings_.temporal) temporal_.Apply(settings_.temporal_settings, settings_.noise, frame);
}

void FilterChain::ApplyToPlanes(unsigned char* distance_words, const unsigned char* amplitude_words,
                                std::vector<uint8_t>* flags) {
  constexpr int kW = 320, kH = 240, kN = kW * kH;
  work_.Resize(kW, kH);
  for (int i = 0; i < kN; ++i) {
    const int d = Word(distance_words + 2 * i);
    const int a = amplitude_words != nullptr ? Word(amplitude_words + 2 * i) : 0;
    if (!IsMeasuredDistance(d) || (amplitude_words != nullptr && !IsAmplitude(a))) continue;
    work_.state[i] = kMeasured;
    work_.range[i] = static_cast<float>(d);
    if (amplitude_words != nullptr) work_.amplitude[i] = static_cast<float>(a);
  }
  Apply(&work_);
  flags->assign(kN, 0);
  for (int i = 0; i < kN; ++i) {
    if (work_.state[i] == kFlagged) (*flags)[i] = 1;
    if (work_.state[i] != kMeasured) continue;
    Put(distance_words + 2 * i, std::clamp(static_cast<int>(std::lround(work_.range[i])), 0, 12499));
  }
}

void FilterChain::ApplyToPoints(unsigned char* records, const unsigned char* amplitude_words, int amplitude_pixels,
                                std::vector<uint8_t>* flags) {
  constexpr int kW = 320, kH = 240, kN = kW * kH;
  work_.Resize(kW, kH);
  std::vector<float> length(kN, 0.0f);
  for (int i = 0; i < kN; ++i) {
    const unsigned char* p = records + 6 * i;
    const int x = Word(p);
    if (x < -12499 || x > 12499) continue;
    const bool has_amplitude = amplitude_words != nullptr && i < amplitude_pixels;
    const int a = has_amplitude ? Word(amplitude_words + 2 * i) : 0;
    if (has_amplitude && !IsAmplitude(a)) continue;
    const double y = Word(p + 2), z = Word(p + 4);
    length[i] = static_cast<float>(std::sqrt(double(x) * x + y * y + z * z));
    work_.range[i] = length[i];
    work_.state[i] = kMeasured;
    if (has_amplitude) work_.amplitude[i] = static_cast<float>(a);
  }
  Apply(&work_);
  flags->assign(kN, 0);
  for (int i = 0; i < kN; ++i) {
    if (work_.state[i] == kFlagged) (*flags)[i] = 1;
    if (work_.state[i] != kMeasured || length[i] <= 0.0f || work_.range[i] == length[i]) continue;
    // The point moves along its own ray.
    unsigned char* p = records + 6 * i;
    const double scale = work_.range[i] / length[i];
    const int v[3] = {Word(p), Word(p + 2), Word(p + 4)};
    // x keeps within the measuring range, or it would read as a code.
    for (int k = 0; k < 3; ++k) {
      const int limit = k == 0 ? 12499 : 32767;
      Put(p + 2 * k, std::clamp(static_cast<int>(std::lround(v[k] * scale)), -limit, limit));
    }
  }
}

}  // namespace filters
}  // namespace kelvara
