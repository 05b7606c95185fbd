#pragma once
// Turning a result frame into the two sample planes that rendering draws.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "frame/frame_layout.h"
#include "frame/point_distances.h"

namespace kelvara {

// Bytes of the two display planes (plane 0, then plane 1).
constexpr int kDisplayPlanesBytes = 2 * kPlaneBytes;  // 307200
// The point-frame working buffer: four planes, of which the first two are used.
constexpr int kDecodeBufferBytes = 4 * kPlaneBytes;  // 614400

// The two planes of 76800 signed 16-bit little-endian samples that rendering
// draws. Plane 0 holds distance words (amplitude words in format 0), plane 1
// amplitude words. For a plane frame `bytes` points into the frame itself;
// for a point frame into the decoder's working buffer.
struct DisplayPlanes {
  const unsigned char* bytes = nullptr;  // kDisplayPlanesBytes, plane 0 then plane 1

  // Sample `index` (0..76799) of plane 0 or 1.
  int16_t Sample(int plane, int index) const;
  // The value shown in "Value of Center": plane 0, entry 38239.
  int16_t CentreValue() const { return Sample(0, kCentrePixel); }
};

// Decodes result frames. Owns the point-frame working buffer, so a
// measurement run allocates it once instead of once per frame.
// One point record of a point frame: x, y, z in mm as the camera sends them
// (x may carry a sample code).
struct PointRecord {
  int16_t x = 0, y = 0, z = 0;
};

// The point record of pixel `index` (0..76799) of a frame of `format_index`
// holding `size` bytes; false for a plane format, a frame too short to hold
// the record or an index outside the grid.
bool PointRecordAt(int format_index, const unsigned char* frame, std::size_t size, int index, PointRecord* point);

class FrameDecoder {
 public:
  FrameDecoder();
  FrameDecoder(const FrameDecoder&) = delete;
  FrameDecoder& operator=(const FrameDecoder&) = delete;

  // Decodes a frame of `format_index` whose reply carried `received` bytes.
  // Plane frames (0, 1, 4) give a view of the frame's first 307200 bytes;
  // point frames give the distance of every point record in plane 0 (a sample
  // code in x passes through) and the frame's amplitude plane in plane 1.
  // Returns false, and leaves `planes` untouched, when the reply is shorter
  // than a whole frame (614656 bytes): such a frame is never read past its
  // end, and the measurement loop counts the cycle as failed.
  // The planes stay valid until the frame's bytes change or, for point
  // frames, until the next DecodeFrame on this decoder.
  bool DecodeFrame(int format_index, const unsigned char* frame, std::size_t received, DisplayPlanes* planes);

 private:
  std::unique_ptr<int16_t[]> work_;  // kDecodeBufferBytes
  DistanceKernel kernel_;
};

}  // namespace kelvara
