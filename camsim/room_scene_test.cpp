// The room scene: one geometry behind every format, its points where a
// real camera would report them.
#include "camsim/room_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "lens/room_lens.h"

namespace kelvara {
namespace camsim {
namespace {

using Bytes = std::vector<unsigned char>;

int16_t Word(const unsigned char* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

struct Rec {
  int x, y, z;
};

class RoomSceneTest : public ::testing::Test {
 protected:
  RoomSceneTest() : room_(1, /*noise=*/false) {}

  Bytes Frame(int format_index, double t, int rx = 0, int ry = 0, int rz = 0) {
    CameraParameters p;
    p.format_code = kFormatCodes[format_index];
    p.rotation[0] = rx;
    p.rotation[1] = ry;
    p.rotation[2] = rz;
    const unsigned char* f = room_.Frame(p, t);
    return Bytes(f, f + kMeasurementFrameBytes);
  }
  static int Distance(const Bytes& f, int r, int c) { return Word(f.data() + 2 * (r * 320 + c)); }
  static int Amplitude(const Bytes& f, int r, int c, bool points) {
    return Word(f.data() + (points ? 460970 : 153600) + 2 * (r * 320 + c));
  }
  static Rec Record(const Bytes& f, int i) {
    const unsigned char* p = f.data() + 170 + 6 * i;
    return {Word(p), Word(p + 2), Word(p + 4)};
  }

  RoomScene room_;
};

TEST_F(RoomSceneTest, PolarDistancesAreRayLengthsToTheRoom) {
  const Bytes f = Frame(1, 2.5);  // the ball is off to the side
  // Straight ahead: the back wall.
  EXPECT_EQ(Distance(f, 119, 159), 4500);
  // Row 0, centre column looks 119 pixels down onto the floor 1 m below.
  EXPECT_EQ(Distance(f, 0, 159), std::lround(1000.0 * std::hypot(119.0, 230.0) / 119.0));
  // Through the doorway, looking up: nothing within range.
  EXPECT_EQ(Distance(f, 145, 236), DIST_NO_DATA);
  EXPECT_EQ(Amplitude(f, 145, 236, false), 0);
  // The ball, seen through its centre (its nearest point, face on).
  double c[3];
  RoomScene::BallCentre(2.5, c);
  const int row = 119 + static_cast<int>(std::lround(c[1] / c[2] * 230));
  const int col = 159 - static_cast<int>(std::lround(c[0] / c[2] * 230));
  const double norm = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
  EXPECT_NEAR(Distance(f, row, col), norm - RoomScene::kBallRadius, 15);
}

TEST_F(RoomSceneTest, AmplitudeFallsWithDistanceAndSaturatesVeryNear) {
  // The ball face on at about 3.7 m (t = 0) and 2.4 m (t = 2.5 s).
  const RoomScene::Hit far = room_.Trace(105 * 320 + 159, 0.0);
  const RoomScene::Hit mid = room_.Trace(94 * 320 + 19, 2.5);
  EXPECT_GT(far.distance, mid.distance);
  EXPECT_LT(far.amplitude, mid.amplitude);
  const Bytes f = Frame(4, 2.5);
  EXPECT_EQ(Amplitude(f, 94, 19, false), std::lround(mid.amplitude));

  // At t = 5 s the ball passes 35 cm from the lens: saturated pixels.
  auto saturated = [](const Bytes& frame) {
    int n = 0;
    for (int i = 0; i < 76800; ++i)
      if (Word(frame.data() + 2 * i) == DIST_SATURATION) {
        EXPECT_EQ(Word(frame.data() + 153600 + 2 * i), AMP_SATURATION);
        ++n;
      }
    return n;
  };
  EXPECT_GT(saturated(Frame(4, 5.0)), 100);
  EXPECT_EQ(saturated(Frame(4, 0.0)), 0);
}

// A point record is the Euclidean point where the pixel's ray meets the
// room: its length is the polar distance of the same pixel, it lies on the
// pixel's ray, and the floor and the wall come out flat.
TEST_F(RoomSceneTest, PointRecordsAreEuclideanPointsOnTheRays) {
  for (double t : {0.0, 3.0, 5.0}) {
    const Bytes polar = Frame(1, t);
    const Bytes points = Frame(2, t);
    EXPECT_EQ(0, std::memcmp(points.data(), pattern::kPcdHeader, 170));
    int compared = 0, on_floor = 0, on_wall = 0;
    for (int r = 0; r < 240; ++r)
      for (int c = 0; c < 320; ++c) {
        const int i = r * 320 + c;
        const int d = Distance(polar, r, c);
        const Rec rec = Record(points, i);
        ASSERT_EQ(Amplitude(points, r, c, true), Amplitude(polar, r, c, false)) << i;
        if (d > 12499) {
          ASSERT_EQ(rec.x, d) << "a code travels in x";
          continue;
        }
        const LensRay ray = RoomPixelRay(r, c);
        // Rounding each coordinate moves the point by at most 0.87 mm.
        ASSERT_NEAR(std::sqrt(double(rec.x) * rec.x + double(rec.y) * rec.y + double(rec.z) * rec.z), d, 1.0)
            << r << "," << c;
        ASSERT_NEAR(rec.x, ray.x * d, 0.501) << r << "," << c;
        ASSERT_NEAR(rec.y, ray.y * d, 0.501) << r << "," << c;
        ASSERT_NEAR(rec.z, ray.z * d, 0.501) << r << "," << c;
        // Pixels on the floor (1 m below) and on the back wall (4.5 m ahead),
        // away from the ball, lie in those planes within the rounding of d.
        const double floor_d = -1000.0 / ray.y, wall_d = 4500.0 / ray.z;
        if (ray.y < 0 && std::abs(d - floor_d) < 0.5 && floor_d < wall_d) {
          EXPECT_NEAR(rec.y, -1000, 1.0) << r << "," << c;
          ++on_floor;
        } else if (std::abs(d - wall_d) < 0.5) {
          EXPECT_NEAR(rec.z, 4500, 1.0) << r << "," << c;
          ++on_wall;
        }
        ++compared;
      }
    EXPECT_GT(compared, 60000);
    EXPECT_GT(on_floor, 3000);
    EXPECT_GT(on_wall, 3000);
  }
}

TEST_F(RoomSceneTest, RotatedFormatsTurnThePointsAboutXThenYThenZ) {
  const Bytes plain = Frame(2, 1.0);
  const struct {
    int rx, ry, rz;
    int format;
    Rec (*expect)(Rec);
  } kCases[] = {
      {90, 0, 0, 3,
       [](Rec p) {
         return Rec{p.x, -p.z, p.y};
       }},
      {0, 0, 90, 6,
       [](Rec p) {
         return Rec{-p.y, p.x, p.z};
       }},
      {90, 90, 0, 3,
       [](Rec p) {
         return Rec{p.y, -p.z, -p.x};
       }},
      {0, 0, 0, 3, [](Rec p) { return p; }},
  };
  for (const auto& k : kCases) {
    const Bytes turned = Frame(k.format, 1.0, k.rx, k.ry, k.rz);
    for (int i = 0; i < 76800; i += 7) {
      const Rec p = Record(plain, i);
      const Rec q = Record(turned, i);
      if (p.x > 12499) {
        ASSERT_EQ(q.x, p.x);
        continue;
      }
      const Rec e = k.expect(p);
      ASSERT_LE(std::abs(q.x - e.x), 1) << i;
      ASSERT_LE(std::abs(q.y - e.y), 1) << i;
      ASSERT_LE(std::abs(q.z - e.z), 1) << i;
    }
  }
  // The unrotated cartesian formats ignore the angles.
  EXPECT_EQ(Frame(2, 1.0, 90, 45, 10), plain);
}

TEST_F(RoomSceneTest, PlaneLayoutsPerFormat) {
  const Bytes amp = Frame(0, 1.0), dist = Frame(1, 1.0), both = Frame(4, 1.0);
  EXPECT_EQ(0, std::memcmp(amp.data(), amp.data() + 153600, 153600)) << "amplitude in both planes";
  EXPECT_EQ(0, std::memcmp(dist.data(), both.data(), 307200));
  EXPECT_EQ(0, std::memcmp(amp.data(), both.data() + 153600, 153600));
}

TEST_F(RoomSceneTest, AmplitudeMinimumsBlankWeakPixels) {
  CameraParameters p;
  p.amp_min_all = 200;
  p.amp_min_near = 200;
  const unsigned char* f = room_.Frame(p, 1.0);
  for (int i = 0; i < 76800; ++i) {
    const int d = Word(f + 2 * i);
    ASSERT_TRUE(d == DIST_NO_DATA || d == DIST_SATURATION) << i << ": " << d;
  }
}

TEST(RoomSceneNoise, NoiseIsSmallAndTheSceneMoves) {
  RoomScene clean(1, false), noisy(1, true);
  CameraParameters p;
  const Bytes a(clean.Frame(p, 1.0), clean.Frame(p, 1.0) + 153600);
  const unsigned char* n = noisy.Frame(p, 1.0);
  // At most 51 mm of standard deviation, on the weakest returns.
  int changed = 0, compared = 0;
  long total = 0;
  for (int i = 0; i < 76800; ++i) {
    const int x = Word(a.data() + 2 * i), y = Word(n + 2 * i);
    if (x > 12499 || y > 12499) continue;
    ASSERT_LT(std::abs(x - y), 300) << i;
    changed += x != y;
    total += std::abs(x - y);
    ++compared;
  }
  EXPECT_GT(changed, 30000);
  EXPECT_LT(total / compared, 25);
  const unsigned char* later = clean.Frame(p, 1.5);
  EXPECT_NE(0, std::memcmp(a.data(), later, 153600)) << "the ball moved";
}

TEST(RoomSceneTemperatures, DriftSlowly) {
  RoomScene room(1);
  int16_t a[4], b[4], la = 0, lb = 0;
  room.Temperatures(0, a, &la);
  room.Temperatures(1200, b, &lb);
  EXPECT_NE(a[0], b[0]);
  EXPECT_NE(la, lb);
  for (double t = 0; t < 1800; t += 1) {
    room.Temperatures(t, a, &la);
    room.Temperatures(t + 1, b, &lb);
    for (int k = 0; k < 4; ++k) ASSERT_LE(std::abs(a[k] - b[k]), 1);
    ASSERT_LE(std::abs(la - lb), 1);
    ASSERT_GT(a[0], 300);
    ASSERT_LT(a[3], 450);
  }
}

// Pixels straddling the ball's edge blend the ball and what lies behind it,
// weighted by the light each sends back; the scene says which it mixed.
TEST(RoomSceneMixedPixels, EdgesOfTheBallAndTheDoorwayBlendTwoSurfaces) {
  RoomScene mixed(1, /*noise=*/false), sharp(1, /*noise=*/false, /*mixed_pixels=*/false);
  CameraParameters p;
  p.format_code = kFormatCodes[1];
  const unsigned char* fm = mixed.Frame(p, 2.5);
  const unsigned char* fs = sharp.Frame(p, 2.5);
  const Bytes m(fm, fm + 153600), s(fs, fs + 153600);
  int on_ball = 0, in_doorway = 0, floating = 0, differing = 0;
  for (int i = 0; i < 76800; ++i) {
    const int dm = Word(m.data() + 2 * i), ds = Word(s.data() + 2 * i);
    if (!mixed.mixed()[i]) {
      ASSERT_EQ(dm, ds) << "only mixed pixels change, " << i;
      continue;
    }
    ASSERT_EQ(sharp.mixed()[i], 0);
    const float near = mixed.mixed_near_mm()[i], far = mixed.mixed_far_mm()[i];
    ASSERT_LT(near, far) << i;
    differing += dm != ds;
    if (dm > 12499) continue;
    ASSERT_GE(dm, std::floor(near)) << i;
    ASSERT_LE(dm, std::ceil(far)) << i;
    const int column = i % 320;
    (column > 200 ? in_doorway : on_ball) += 1;  // the doorway lies at the right, the ball left of it at 2.5 s
    floating += dm - near > 50 && far - dm > 50;
  }
  EXPECT_GT(on_ball, 100);
  EXPECT_GT(in_doorway, 20);
  EXPECT_GT(floating, 50) << "some float between the two surfaces";
  EXPECT_GT(differing, 100);
}

TEST(RoomSceneWarmUp, TemperaturesRiseAndDistancesDriftWithThem) {
  RoomScene room(1, /*noise=*/false, /*mixed_pixels=*/false);
  room.SetWarmUp(10.0);  // minutes
  CameraParameters p;
  p.format_code = kFormatCodes[1];
  const int wall = 119 * 320 + 159;
  const int start = Word(room.Frame(p, 2.5) + 2 * wall);
  const struct {
    double seconds;
    double rise_c;
  } kCases[] = {{0, 0}, {600, 15 * (1 - std::exp(-1.0))}, {1800, 15 * (1 - std::exp(-3.0))}, {36000, 15}};
  for (const auto& k : kCases) {
    int16_t imager[4], led = 0;
    room.Temperatures(k.seconds, imager, &led);
    EXPECT_NEAR(imager[0], 350 + 10 * k.rise_c, 0.5) << k.seconds;
    EXPECT_NEAR(imager[3], 356 + 10 * k.rise_c, 0.5) << k.seconds;
    EXPECT_NEAR(led, 300 + 10 * k.rise_c, 0.5) << k.seconds;
    // The ball comes back to the same place every 10 s.
    const int d = Word(room.Frame(p, 2.5 + k.seconds) + 2 * wall);
    EXPECT_NEAR(d - start, 1.6 * k.rise_c, 0.51) << k.seconds;
  }
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
