#include "camsim/pattern_scene.h"

#include <cstdlib>
#include <cstring>

#include "camera_facts/format_table.h"

namespace kelvara {
namespace pattern {

const char kPcdHeader[kPcdHeaderBytes + 1] =
    "# .PCD v0.7 - Point Cloud Data          \n"
    "VERSION 0.7\n"
    "FIELDS x y z\n"
    "SIZE 2 2 2\n"
    "TYPE I I I\n"
    "COUNT 1 1 1\n"
    "WIDTH 320\n"
    "HEIGHT 240\n"
    "VIEWPOINT 0 0 0 1 0 0 0\n"
    "POINTS 76800\n"
    "DATA binary\n";
static_assert(sizeof(kPcdHeader) == kPcdHeaderBytes + 1, "PCD header must be 170 bytes");

namespace {

struct Special {
  int16_t distance, amplitude;
  Point point;
};

// Row 5, columns 0..7.
constexpr Special kSpecial[8] = {
    {30000, 510, {30000, 7, 7}},   {31000, 511, {31000, 7, 7}}, {32000, 300, {32000, 7, 7}}, {-1, 256, {12500, 0, 0}},
    {-16385, 255, {-12500, 0, 0}}, {20000, 0, {12499, 0, 0}},   {0, 1, {-12499, 0, 0}},      {12499, 2, {3, 4, 0}},
};

const Special* SpecialAt(int r, int c) { return (r == 5 && c < 8) ? &kSpecial[c] : nullptr; }

void Put16(unsigned char* p, int v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

}  // namespace

int16_t Distance(int r, int c) {
  if (const Special* s = SpecialAt(r, c)) return s->distance;
  return static_cast<int16_t>(400 + 16 * r + c);
}

int16_t Amplitude(int r, int c) {
  if (const Special* s = SpecialAt(r, c)) return s->amplitude;
  return static_cast<int16_t>((r + 2 * c) % 256);
}

Point PointAt(int r, int c) {
  if (const Special* s = SpecialAt(r, c)) return s->point;
  return {static_cast<int16_t>(c - 160), static_cast<int16_t>(120 - r), Distance(r, c)};
}

uint16_t Theta(int r, int c) {
  if (r == 0 && c == 0) return 0xF000;
  if (r == 239 && c == 319) return 4096;
  return static_cast<uint16_t>(12 * (std::abs(r - 119) + std::abs(c - 159)));
}

uint16_t Phi(int r, int c) { return static_cast<uint16_t>((r * kFrameWidth + c) % 65536); }

void FillFrame(int format_index, unsigned char* out) {
  if (IsPlaneFrameFormat(format_index)) {
    for (int r = 0; r < kFrameHeight; ++r)
      for (int c = 0; c < kFrameWidth; ++c) {
        const int i = r * kFrameWidth + c;
        Put16(out + 2 * i, IsAmplitudeOnlyFormat(format_index) ? Amplitude(r, c) : Distance(r, c));
        Put16(out + kPlaneBytes + 2 * i, Amplitude(r, c));
      }
    for (int k = 2 * kPlaneBytes; k < kMeasurementFrameBytes; ++k) out[k] = static_cast<unsigned char>(k % 251);
    return;
  }
  std::memcpy(out, kPcdHeader, kPcdHeaderBytes);
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      const Point p = PointAt(r, c);
      unsigned char* rec = out + kPcdHeaderBytes + kPointRecordBytes * i;
      Put16(rec, p.x);
      Put16(rec + 2, p.y);
      Put16(rec + 4, p.z);
      Put16(out + kPointAmplitudeOffset + 2 * i, Amplitude(r, c));
    }
  const int tail = kPointAmplitudeOffset + kPlaneBytes;
  std::memset(out + tail, 0, kMeasurementFrameBytes - tail);
}

std::vector<unsigned char> Frame(int format_index) {
  std::vector<unsigned char> f(kMeasurementFrameBytes);
  FillFrame(format_index, f.data());
  return f;
}

void FillAngleTable(unsigned char* out) {
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      Put16(out + 2 * i, Theta(r, c));
      Put16(out + kPlaneBytes + 2 * i, Phi(r, c));
    }
}

std::vector<unsigned char> AngleTable() {
  std::vector<unsigned char> t(kThetaPhiTableBytes);
  FillAngleTable(t.data());
  return t;
}

std::vector<unsigned char> VersionPayload() {
  return {'S', 'I', 'M', '-', '0', '0', '0', '0', '0', '0', '0', '1', 1, 0, 5, 0, 0, 0, 42};
}

}  // namespace pattern
}  // namespace kelvara
