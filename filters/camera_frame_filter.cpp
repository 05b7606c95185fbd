#include "filters/camera_frame_filter.h"

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace filters {
namespace {

void PutWord(unsigned char* at, int16_t value) {
  at[0] = static_cast<unsigned char>(value & 0xFF);
  at[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

}  // namespace

bool FilterCameraFrame(FilterChain* chain, int format_index, unsigned char* frame, size_t size,
                       std::vector<uint8_t>* flags) {
  const FormatFacts* format = FormatAt(format_index);
  if (format == nullptr || format->first_plane != FirstPlane::kDistance) return false;
  const bool plane = format->family == FrameFamily::kPlane;
  size_t need = plane ? size_t{kPlaneBytes} : size_t{kPcdFileBytes};
  if (format->amplitude_offset >= 0) need = static_cast<size_t>(format->amplitude_offset) + kPlaneBytes;
  if (size < need) return false;
  const unsigned char* amplitude = format->amplitude_offset >= 0 ? frame + format->amplitude_offset : nullptr;
  if (plane) {
    chain->ApplyToPlanes(frame, amplitude, flags);
    for (int i = 0; i < kPixelCount; ++i)
      if ((*flags)[i]) PutWord(frame + 2 * i, DIST_NO_DATA);
  } else {
    unsigned char* records = frame + kPcdHeaderBytes;
    chain->ApplyToPoints(records, amplitude, amplitude ? kPixelCount : 0, flags);
    for (int i = 0; i < kPixelCount; ++i)
      if ((*flags)[i])
        for (int k = 0; k < 3; ++k) PutWord(records + kPointRecordBytes * i + 2 * k, DIST_NO_DATA);
  }
  return true;
}

}  // namespace filters
}  // namespace kelvara
