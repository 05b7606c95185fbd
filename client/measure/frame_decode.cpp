#include "frame_decode.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kelvara {

// Frames and display planes hold little-endian words; samples are copied
// with memcpy, which is only right on a little-endian host.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host required");

namespace {

constexpr int kMaxCoordinate = 12499;

int16_t Load16(const unsigned char* p) {
  int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void Store16(unsigned char* p, int16_t v) { std::memcpy(p, &v, sizeof v); }

}  // namespace

int16_t DisplayPlanes::Sample(int plane, int index) const {
  return Load16(bytes + plane * kPlaneBytes + 2 * index);
}

int16_t PointDistance(int16_t x, int16_t y, int16_t z) {
  if (x < -kMaxCoordinate || x > kMaxCoordinate) return x;
  // Squares and sum are exact in double; the correctly rounded root truncates
  // to the integer square root.
  const double ay = std::abs(static_cast<int>(y));
  const double ax = std::abs(static_cast<int>(x));
  const double az = std::abs(static_cast<int>(z));
  const double root = std::sqrt(ay * ay + ax * ax + az * az);
  return root >= 32767.0 ? int16_t{32767} : static_cast<int16_t>(root);
}

FrameDecoder::FrameDecoder() : work_(new unsigned char[kDecodeBufferBytes]()) {}

bool FrameDecoder::DecodeFrame(int format_index, const unsigned char* frame,
                               std::size_t received, DisplayPlanes* planes) {
  if (frame == nullptr || received < static_cast<std::size_t>(kMeasurementFrameBytes))
    return false;
  if (IsPlaneFrameFormat(format_index)) {
    planes->bytes = frame;
    return true;
  }
  unsigned char* distance = work_.get();
  const unsigned char* record = frame + kPcdHeaderBytes;
  for (int i = 0; i < kPixelCount; ++i, record += kPointRecordBytes)
    Store16(distance + 2 * i, PointDistance(Load16(record), Load16(record + 2), Load16(record + 4)));
  std::memcpy(work_.get() + kPlaneBytes, frame + kPointAmplitudeOffset, kPlaneBytes);
  planes->bytes = work_.get();
  return true;
}

}  // namespace kelvara
