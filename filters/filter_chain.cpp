#include "filters/filter_chain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace filters {
namespace {

constexpr int kWidth = kFrameWidth, kHeight = kFrameHeight, kPixels = kPixelCount;

int Word(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

void Put(unsigned char* p, int v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

}  // namespace

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

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
constexpr int kPad = 3;

// The frame's measured ranges in a grid with a border of kPad pixels; codes,
// flagged pixels and the border hold NaN, which fails every comparison:
// no test needs to ask whether a neighbour exists.
struct PaddedRanges {
  int stride = 0;
  std::vector<float> v;
  void Fill(const RangeFrame& f) {
    stride = f.width + 2 * kPad;
    v.assign(static_cast<size_t>(stride) * (f.height + 2 * kPad), kNoValue);  // keeps its capacity
    for (int r = 0; r < f.height; ++r) {
      float* row = &v[static_cast<size_t>(r + kPad) * stride + kPad];
      for (int c = 0; c < f.width; ++c) {
        const int i = r * f.width + c;
        row[c] = f.state[i] == kMeasured ? f.range[i] : kNoValue;
      }
    }
  }
  float* Row(int r) { return &v[static_cast<size_t>(r + kPad) * stride + kPad]; }
};

bool Has(float v) { return !std::isnan(v); }

// The noise law per whole amplitude 0..255: amplitudes are words.
class SigmaTable {
 public:
  explicit SigmaTable(const NoiseLaw& law, double factor = 1.0) {
    for (int a = 0; a < 256; ++a) v_[a] = static_cast<float>(factor * law.Sigma(a));
  }
  float operator()(float amplitude) const {
    return v_[amplitude <= 0.0f ? 0 : amplitude >= 255.0f ? 255 : static_cast<int>(amplitude)];
  }

 private:
  float v_[256];
};

// The jump of one pixel: max(min_jump, relative * d, noise * sigma(a)).
struct JumpTerms {
  float min_jump, relative, noise_factor, base, scale, weakest;
};

// The cheap test for a whole row, without branches (a NaN pixel or side
// fails every comparison): along one of the four axes through the pixel,
// one side nearer and the other farther by more than the jump.
void StraddleRow(const float* __restrict row, const float* __restrict amplitude, int w, const int axis[4],
                 const JumpTerms& j, float* __restrict jump, uint8_t* __restrict straddled) {
  const int o0 = axis[0], o1 = axis[1], o2 = axis[2], o3 = axis[3];
  for (int c = 0; c < w; ++c) {
    const float di = row[c];
    const float a_amp = amplitude[c] > j.weakest ? amplitude[c] : j.weakest;
    const float g = j.relative * di > j.min_jump ? j.relative * di : j.min_jump;
    const float n = j.noise_factor * (j.base + j.scale / a_amp);
    const float t = g > n ? g : n;
    jump[c] = t;
    const float a0 = row[c + o0] - di, b0 = row[c - o0] - di;
    const float a1 = row[c + o1] - di, b1 = row[c - o1] - di;
    const float a2 = row[c + o2] - di, b2 = row[c - o2] - di;
    const float a3 = row[c + o3] - di, b3 = row[c - o3] - di;
    const int any = ((a0 < -t) & (b0 > t)) | ((a0 > t) & (b0 < -t)) | ((a1 < -t) & (b1 > t)) | ((a1 > t) & (b1 < -t)) |
                    ((a2 < -t) & (b2 > t)) | ((a2 > t) & (b2 < -t)) | ((a3 < -t) & (b3 > t)) | ((a3 > t) & (b3 < -t));
    straddled[c] = static_cast<uint8_t>(any);
  }
}

}  // namespace

void FlagFlyingPixels(const FlyingSettings& s, const NoiseLaw& law, RangeFrame* f) {
  const int w = f->width, h = f->height;
  // Scratch space kept from frame to frame: no allocation per frame.
  static thread_local PaddedRanges padded;
  static thread_local std::vector<int> flagged;
  flagged.clear();
  padded.Fill(*f);
  const int stride = padded.stride;
  // Offsets of one side of the four axes: right, down, down-right, down-left.
  const int axis[4] = {1, stride, stride + 1, stride - 1};
  const float min_jump = static_cast<float>(s.min_jump_mm), relative = static_cast<float>(s.relative_jump);
  const float noise_factor = static_cast<float>(std::max(0.0, s.noise_factor));
  const float base = static_cast<float>(law.base_mm), scale = static_cast<float>(law.scale_mm);
  const float weakest = static_cast<float>(kWeakestAmplitude);
  static thread_local std::vector<float> jump_of_row;
  static thread_local std::vector<uint8_t> straddled_in_row;
  jump_of_row.resize(w);
  straddled_in_row.resize(w);
  // Flags go to a list first: a flagged pixel stays a neighbour for the rest.
  for (int r = 0; r < h; ++r) {
    const float* row = padded.Row(r);
    const float* amplitude = f->amplitude.data() + static_cast<size_t>(r) * w;
    float* jump = jump_of_row.data();
    uint8_t* straddled = straddled_in_row.data();
    StraddleRow(row, amplitude, w, axis, JumpTerms{min_jump, relative, noise_factor, base, scale, weakest}, jump,
                straddled);
    for (int c = 0; c < w; ++c) {
      if (!straddled[c]) continue;
      const float* p = row + c;
      const float di = *p, t = jump[c];
      const int i = r * w + c;
      const float geometric = std::max(min_jump, relative * di);
      // A surface seen at a grazing angle steps by more than the jump from
      // pixel to pixel, yet each step continues the last: the outer
      // neighbours lie on the same line (within the jump). A pixel between
      // two surfaces breaks the line on both sides: there the break is the
      // jump itself. Where the line runs out of the frame or into a code,
      // the other side decides with the pixel lying on the line through
      // its two neighbours.
      bool ramp = false;
      for (int k = 0; k < 4 && !ramp; ++k) {
        const int o = axis[k];
        const float a = p[o] - di, b = p[-o] - di;
        if (!((a < -geometric && b > geometric) || (a > geometric && b < -geometric))) continue;
        const float out_a = p[2 * o], out_b = p[-2 * o];
        const bool has_a = Has(out_a), has_b = Has(out_b);
        const bool between = std::abs(a + b) < t;
        ramp = (has_a || has_b) && (!has_a || std::abs(out_a - 2 * p[o] + di) < t) &&
               (!has_b || std::abs(out_b - 2 * p[-o] + di) < t) && ((has_a && has_b) || between);
      }
      if (!ramp) flagged.push_back(i);
    }
  }
  for (int i : flagged) f->state[i] = kFlagged;
}

double FlyingJump(const FlyingSettings& s, const NoiseLaw& law, double d, double a) {
  return std::max({s.min_jump_mm, s.relative_jump * d, s.noise_factor > 0 ? s.noise_factor * law.Sigma(a) : 0.0});
}

void SmoothSpatially(const SpatialSettings& s, const NoiseLaw& law, RangeFrame* f) {
  const int w = f->width, h = f->height, radius = std::clamp(s.radius, 0, kPad);
  const SigmaTable edge_of(law, s.edge_factor);
  static thread_local std::vector<float> edge;
  edge.resize(f->range.size());
  for (size_t i = 0; i < edge.size(); ++i) edge[i] = edge_of(f->amplitude[i]);
  // Rows, then columns. A pixel takes its neighbours in pairs, one on each
  // side at the same offset, while both lie within the edge threshold: a
  // pixel beside an edge keeps its value along that axis (no smear), and a
  // sloping surface is not bent.
  static thread_local PaddedRanges padded;
  for (int pass = 0; pass < 2; ++pass) {
    padded.Fill(*f);
    const int step = pass == 0 ? 1 : padded.stride;
    for (int r = 0; r < h; ++r) {
      const float* row = padded.Row(r);
      for (int c = 0; c < w; ++c) {
        const float* p = row + c;
        const float di = *p;
        if (!Has(di)) continue;
        const int i = r * w + c;
        const float e = edge[i];
        float sum = di;
        int n = 1;
        for (int k = 1; k <= radius; ++k) {
          const float a = p[k * step], b = p[-k * step];
          if (!(std::abs(a - di) <= e && std::abs(b - di) <= e)) continue;
          sum += a + b;
          n += 2;
        }
        f->range[i] = sum / static_cast<float>(n);
      }
    }
  }
}

void TemporalAverage::Apply(const TemporalSettings& s, const NoiseLaw& law, RangeFrame* f) {
  const size_t n = f->range.size();
  if (mean_.size() != n) {
    mean_.assign(n, 0.0f);
    frames_.assign(n, 0.0f);
  }
  const float min_weight = static_cast<float>(s.alpha);
  const SigmaTable reset_of(law, s.reset_factor);
  for (size_t i = 0; i < n; ++i) {
    if (f->state[i] == kCode) {
      frames_[i] = 0;  // the average starts afresh when the pixel returns
      continue;
    }
    if (f->state[i] == kFlagged) continue;
    const float x = f->range[i];
    const float reset = reset_of(f->amplitude[i]);
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

void RangesFromPlanes(const unsigned char* distance_words, const unsigned char* amplitude_words, RangeFrame* f) {
  f->Resize(kWidth, kHeight);
  for (int i = 0; i < kPixels; ++i) {
    const int d = Word(distance_words + 2 * i);
    const int a = amplitude_words != nullptr ? Word(amplitude_words + 2 * i) : 0;
    if (!IsMeasuredDistance(d) || (amplitude_words != nullptr && !IsAmplitude(a))) continue;
    f->state[i] = kMeasured;
    f->range[i] = static_cast<float>(d);
    if (amplitude_words != nullptr) f->amplitude[i] = static_cast<float>(a);
  }
}

void RangesFromPoints(const unsigned char* records, const unsigned char* amplitude_words, int amplitude_pixels,
                      RangeFrame* f) {
  f->Resize(kWidth, kHeight);
  for (int i = 0; i < kPixels; ++i) {
    const unsigned char* p = records + 6 * i;
    const int x = Word(p);
    if (x < -kMaxDistanceMm || x > kMaxDistanceMm) continue;
    const bool has_amplitude = amplitude_words != nullptr && i < amplitude_pixels;
    const int a = has_amplitude ? Word(amplitude_words + 2 * i) : 0;
    if (has_amplitude && !IsAmplitude(a)) continue;
    const double y = Word(p + 2), z = Word(p + 4);
    f->range[i] = static_cast<float>(std::sqrt(double(x) * x + y * y + z * z));
    f->state[i] = kMeasured;
    if (has_amplitude) f->amplitude[i] = static_cast<float>(a);
  }
}

void FilterChain::ApplyToPlanes(unsigned char* distance_words, const unsigned char* amplitude_words,
                                std::vector<uint8_t>* flags) {
  constexpr int kN = kPixels;
  RangesFromPlanes(distance_words, amplitude_words, &work_);
  Apply(&work_);
  flags->assign(kN, 0);
  for (int i = 0; i < kN; ++i) {
    if (work_.state[i] == kFlagged) (*flags)[i] = 1;
    if (work_.state[i] != kMeasured) continue;
    Put(distance_words + 2 * i, std::clamp(static_cast<int>(std::lround(work_.range[i])), 0, kMaxDistanceMm));
  }
}

void FilterChain::ApplyToPoints(unsigned char* records, const unsigned char* amplitude_words, int amplitude_pixels,
                                std::vector<uint8_t>* flags) {
  constexpr int kN = kPixels;
  RangesFromPoints(records, amplitude_words, amplitude_pixels, &work_);
  const std::vector<float> length = work_.range;
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
      const int limit = k == 0 ? kMaxDistanceMm : 32767;
      Put(p + 2 * k, std::clamp(static_cast<int>(std::lround(v[k] * scale)), -limit, limit));
    }
  }
}

}  // namespace filters
}  // namespace kelvara
