#include "camsim/room_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "filters/noise_law.h"
#include "lens/room_lens.h"

namespace kelvara {
namespace camsim {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Amplitude of a white surface facing the camera at 1 mm, exposure 425 us.
constexpr double kAmplitudeScale = 120000.0;
constexpr double kFloorReflectance = 0.5;
constexpr double kWallReflectance = 0.8;
constexpr double kBallReflectance = 0.9;
constexpr double kDoorX0 = -1900, kDoorX1 = -1100, kDoorTop = 1100;
constexpr double kNearRangeMm = 1500.0;
constexpr int kMaxDistance = kMaxDistanceMm;
constexpr int kGaussSamples = 4096;
// Sub-rays per side of a pixel's footprint where it straddles an edge.
constexpr int kFootprintGrid = 4;

void Put16(unsigned char* p, int v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

uint64_t XorShift(uint64_t* s) {
  uint64_t x = *s;
  x ^= x << 13;
  x ^= x >> 7;
  x ^= x << 17;
  return *s = x;
}

}  // namespace

void RoomScene::BallCentre(double seconds, double c[3]) {
  const double a = 2 * kPi * seconds / kBallPeriodS;
  c[0] = 1400.0 * std::sin(a);
  c[1] = -250.0;
  c[2] = 2300.0 + 1700.0 * std::cos(a);
}

RoomScene::RoomScene(uint64_t seed, bool noise, bool mixed_pixels)
    : rx_(kPixelCount),
      ry_(kPixelCount),
      rz_(kPixelCount),
      angle_table_(kThetaPhiTableBytes),
      frame_(kMeasurementFrameBytes),
      gauss_(kGaussSamples),
      seed_(seed),
      noise_(noise),
      mixed_pixels_(mixed_pixels),
      hits_(kPixelCount),
      surface_(kPixelCount),
      mixed_(kPixelCount),
      near_(kPixelCount),
      far_(kPixelCount),
      clean_(kPixelCount) {
  FillRoomAngleTable(angle_table_.data());
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      const LensRay ray = RoomPixelRay(r, c);
      rx_[i] = static_cast<float>(ray.x);
      ry_[i] = static_cast<float>(ray.y);
      rz_[i] = static_cast<float>(ray.z);
    }
  uint64_t s = 0x853C49E6748FEA9Bull ^ seed;
  for (int k = 0; k < kGaussSamples; k += 2) {
    const double u1 = (static_cast<double>(XorShift(&s) >> 11) + 1.0) / 9007199254740993.0;
    const double u2 = static_cast<double>(XorShift(&s) >> 11) / 9007199254740992.0;
    const double m = std::sqrt(-2.0 * std::log(u1));
    gauss_[k] = static_cast<float>(m * std::cos(2 * kPi * u2));
    gauss_[k + 1] = static_cast<float>(m * std::sin(2 * kPi * u2));
  }
}

RoomScene::Hit RoomScene::Trace(int i, double seconds) const {
  double c[3];
  BallCentre(seconds, c);
  return TraceWithBall(i, c);
}

RoomScene::Hit RoomScene::TraceWithBall(int i, const double c[3]) const {
  return TraceRay(rx_[i], ry_[i], rz_[i], c).hit;
}

RoomScene::SurfaceHit RoomScene::TraceRay(double x, double y, double z, const double c[3]) const {
  double best = -1, amplitude = 0;
  Surface surface = kNothing;
  auto take = [&](double t, double cosine, double reflectance, Surface what) {
    if (t > 0 && (best < 0 || t < best)) {
      best = t;
      amplitude = kAmplitudeScale * reflectance * cosine / t;
      surface = what;
    }
  };
  if (y < 0) take(kFloorY / y, -y, kFloorReflectance, z * kFloorY / y > kWallZ ? kFloorBeyond : kFloor);
  if (z > 0) {
    const double t = kWallZ / z;
    const double wx = x * t, wy = y * t;
    const bool door = wx >= kDoorX0 && wx <= kDoorX1 && wy <= kDoorTop;
    if (!door) take(t, z, kWallReflectance, kWall);
  }
  const double b = x * c[0] + y * c[1] + z * c[2];
  const double disc = b * b - (c[0] * c[0] + c[1] * c[1] + c[2] * c[2] - kBallRadius * kBallRadius);
  if (disc >= 0) {
    const double root = std::sqrt(disc);
    take(b - root, root / kBallRadius, kBallReflectance, kBall);
  }
  return {{best, amplitude}, surface};
}

bool RoomScene::IsEdge(Surface a, Surface b) {
  if (a == b) return false;
  if (a == kBall || b == kBall) return true;
  return (a == kWall || b == kWall) && (a == kFloorBeyond || b == kFloorBeyond || a == kNothing || b == kNothing);
}

RoomScene::Hit RoomScene::BlendFootprint(int i, const double c[3]) {
  const int row = i / kFrameWidth, column = i % kFrameWidth;
  // Per surface: summed amplitude and amplitude-weighted distance.
  double light[5] = {}, weighted[5] = {}, total_light = 0, weighted_distance = 0;
  for (int u = 0; u < kFootprintGrid; ++u)
    for (int v = 0; v < kFootprintGrid; ++v) {
      const double dr = (u + 0.5) / kFootprintGrid - 0.5, dc = (v + 0.5) / kFootprintGrid - 0.5;
      const double x = -(column + dc - kRoomAxisColumn), y = row + dr - kRoomAxisRow, z = kRoomFocalLengthPx;
      const double n = std::sqrt(x * x + y * y + z * z);
      const SurfaceHit s = TraceRay(x / n, y / n, z / n, c);
      if (s.surface == kNothing || s.hit.distance > kMaxDistance) continue;
      light[s.surface] += s.hit.amplitude;
      weighted[s.surface] += s.hit.amplitude * s.hit.distance;
    }
  int seen = 0;
  double nearest = 0, farthest = 0;
  for (int k = 1; k < 5; ++k) {
    if (light[k] <= 0) continue;
    const double d = weighted[k] / light[k];
    nearest = seen == 0 ? d : std::min(nearest, d);
    farthest = seen == 0 ? d : std::max(farthest, d);
    ++seen;
    total_light += light[k];
    weighted_distance += weighted[k];
  }
  const double amplitude = total_light / (kFootprintGrid * kFootprintGrid);
  if (seen == 0) return {-1, 0};
  if (seen == 1) {
    // One surface and nothing beside it: its own distance, less light.
    const Hit centre = TraceWithBall(i, c);
    return {centre.distance, centre.distance > 0 ? amplitude : 0};
  }
  mixed_[i] = 1;
  near_[i] = static_cast<float>(nearest);
  far_[i] = static_cast<float>(farthest);
  return {weighted_distance / total_light, amplitude};
}

double RoomScene::WarmUpRise(double seconds) const {
  return warm_up_s_ > 0 ? kWarmUpRiseC * (1.0 - std::exp(-seconds / warm_up_s_)) : 0.0;
}

const unsigned char* RoomScene::Frame(const CameraParameters& p, double seconds) {
  const int format = FormatIndexOfCode(p.format_code);
  const bool points = !IsPlaneFrameFormat(format);
  const bool rotated = IsRotatedFormatCode(p.format_code);
  const double gain = p.exposure_us / 425.0;
  uint64_t rng = (seed_ + 0x9E3779B97F4A7C15ull * ++frames_) | 1;

  // Rotation about x, then y, then z.
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  if (rotated) {
    const double ax = p.rotation[0] * kPi / 180, ay = p.rotation[1] * kPi / 180, az = p.rotation[2] * kPi / 180;
    const double sx = std::sin(ax), cx = std::cos(ax), sy = std::sin(ay), cy = std::cos(ay), sz = std::sin(az),
                 cz = std::cos(az);
    const double r[3][3] = {{cz * cy, cz * sy * sx - sz * cx, cz * sy * cx + sz * sx},
                            {sz * cy, sz * sy * sx + cz * cx, sz * sy * cx - cz * sx},
                            {-sy, cy * sx, cy * cx}};
    std::memcpy(m, r, sizeof m);
  }

  unsigned char* out = frame_.data();
  std::memset(out, 0, frame_.size());
  unsigned char* amp_plane = points ? out + kPointAmplitudeOffset : out + kPlane1Offset;
  if (points) std::memcpy(out, pattern::kPcdHeader, kPcdHeaderBytes);

  double ball[3];
  BallCentre(seconds, ball);
  for (int i = 0; i < kPixelCount; ++i) {
    const SurfaceHit s = TraceRay(rx_[i], ry_[i], rz_[i], ball);
    hits_[i] = s.hit;
    surface_[i] = s.surface;
  }
  std::fill(mixed_.begin(), mixed_.end(), 0);
  std::fill(near_.begin(), near_.end(), 0.0f);
  std::fill(far_.begin(), far_.end(), 0.0f);
  if (mixed_pixels_) {
    // Pixels beside an edge may straddle it: look at their whole footprint.
    std::vector<Hit> blended(hits_);
    for (int r = 0; r < kFrameHeight; ++r)
      for (int col = 0; col < kFrameWidth; ++col) {
        const int i = r * kFrameWidth + col;
        bool edge = false;
        for (int dr = -1; dr <= 1 && !edge; ++dr)
          for (int dc = -1; dc <= 1 && !edge; ++dc) {
            const int rr = r + dr, cc = col + dc;
            if (rr < 0 || rr >= kFrameHeight || cc < 0 || cc >= kFrameWidth) continue;
            edge = IsEdge(static_cast<Surface>(surface_[i]), static_cast<Surface>(surface_[rr * kFrameWidth + cc]));
          }
        if (edge) blended[i] = BlendFootprint(i, ball);
      }
    hits_.swap(blended);
  }
  const filters::NoiseLaw noise_law;
  const double drift = kDriftMmPerC * WarmUpRise(seconds);
  for (int i = 0; i < kPixelCount; ++i) {
    const Hit hit = hits_[i];
    clean_[i] = hit.distance > 0 ? static_cast<float>(hit.distance + drift) : -1.0f;
    int dist = DIST_NO_DATA, amp = 0;
    if (hit.distance > 0) {
      double d = hit.distance + drift, a = hit.amplitude * gain;
      if (noise_) {
        const float n1 = gauss_[XorShift(&rng) % kGaussSamples];
        const float n2 = gauss_[XorShift(&rng) % kGaussSamples];
        d += n1 * noise_law.Sigma(a);  // weak returns are noisier
        a += n2;
      }
      if (d > kMaxDistance + 0.5) {
        // beyond the range: no data
      } else if (a > 255.0) {
        dist = DIST_SATURATION;
        amp = AMP_SATURATION;
      } else {
        amp = std::clamp(static_cast<int>(std::lround(a)), 0, 255);
        const int minimum = d < kNearRangeMm ? p.amp_min_near : p.amp_min_all;
        if (amp >= minimum) dist = std::clamp(static_cast<int>(std::lround(d)), 0, kMaxDistance);
      }
    }
    Put16(amp_plane + 2 * i, amp);
    if (!points) {
      Put16(out + 2 * i, IsAmplitudeOnlyFormat(format) ? amp : dist);
      continue;
    }
    int rec[3] = {dist, 0, 0};
    if (dist <= kMaxDistance) {
      // Where the ray meets the room, as a real camera reports its points:
      // the polar distance (the ray's length) along the ray's direction.
      const double v[3] = {rx_[i] * dist, ry_[i] * dist, rz_[i] * dist};
      for (int k = 0; k < 3; ++k)
        rec[k] = static_cast<int>(std::lround(m[k][0] * v[0] + m[k][1] * v[1] + m[k][2] * v[2]));
    }
    unsigned char* r = out + kPcdHeaderBytes + kPointRecordBytes * i;
    Put16(r, rec[0]);
    Put16(r + 2, rec[1]);
    Put16(r + 4, rec[2]);
  }
  return out;
}

const unsigned char* RoomScene::AngleTable() { return angle_table_.data(); }

void RoomScene::Temperatures(double seconds, int16_t imager[4], int16_t* led) {
  if (warm_up_s_ > 0) {
    const double rise = 10.0 * WarmUpRise(seconds);  // tenths of a degree
    for (int k = 0; k < 4; ++k) imager[k] = static_cast<int16_t>(std::lround(350 + 2 * k + rise));
    *led = static_cast<int16_t>(std::lround(300 + rise));
    return;
  }
  // Warming up over the first minutes, with a slow ripple.
  const double warm = 1.0 - std::exp(-seconds / 600.0);
  const double ripple = 3.0 * std::sin(2 * kPi * seconds / 120.0);
  for (int k = 0; k < 4; ++k) imager[k] = static_cast<int16_t>(std::lround(350 + 2 * k + 30 * warm + ripple));
  *led = static_cast<int16_t>(std::lround(300 + 50 * (1.0 - std::exp(-seconds / 300.0))));
}

}  // namespace camsim
}  // namespace kelvara
