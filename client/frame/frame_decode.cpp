#include "frame/frame_decode.h"

#include <cstring>

namespace kelvara {

// Frames and display planes hold little-endian words; samples are copied
// with memcpy, which is only right on a little-endian host.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host required");

namespace {

int16_t Load16(const unsigned char* p) {
  int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

int16_t DisplayPlanes::Sample(int plane, int index) const { return Load16(bytes + plane * kPlaneBytes + 2 * index); }

bool PointRecordAt(int format_index, const unsigned char* frame, std::size_t size, int index, PointRecord* point) {
  if (IsPlaneFrameFormat(format_index) || frame == nullptr || index < 0 || index >= kPixelCount) return false;
  const std::size_t at = kPcdHeaderBytes + static_cast<std::size_t>(kPointRecordBytes) * index;
  if (size < at + kPointRecordBytes) return false;
  point->x = Load16(frame + at);
  point->y = Load16(frame + at + 2);
  point->z = Load16(frame + at + 4);
  return true;
}

FrameDecoder::FrameDecoder() : work_(new int16_t[kDecodeBufferBytes / 2]()), kernel_(BestDistanceKernel()) {}

bool FrameDecoder::DecodeFrame(int format_index, const unsigned char* frame, std::size_t received,
                               DisplayPlanes* planes) {
  if (frame == nullptr || received < static_cast<std::size_t>(kMeasurementFrameBytes)) return false;
  if (IsPlaneFrameFormat(format_index)) {
    planes->bytes = frame;
    return true;
  }
  ComputePointDistances(kernel_, frame + kPcdHeaderBytes, kPixelCount, work_.get());
  unsigned char* work = reinterpret_cast<unsigned char*>(work_.get());
  std::memcpy(work + kPlaneBytes, frame + kPointAmplitudeOffset, kPlaneBytes);
  planes->bytes = work;
  return true;
}

}  // namespace kelvara
