#include "display/rendering_model.h"

#include <cstring>

#include "display/colour_table.h"
#include "display/png_file.h"

namespace kelvara {

// Display planes hold little-endian words and are copied with memcpy.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host required");

bool UsesAmplitudeMapping(int display_format, int image) {
  return IsAmplitudeOnlyFormat(display_format) || (ImageCountOfFormat(display_format) == 2 && image == 1);
}

RenderingModel::RenderingModel()
    : samples_(2 * kImagePixels, 0),
      distance_legend_(kLegendWidth * kLegendHeight, kBlack),
      amplitude_legend_(kLegendWidth * kLegendHeight, kBlack) {
  for (std::vector<uint32_t>& slot : slots_) slot.assign(kImagePixels, kBlack);
}

MappingSettings RenderingModel::CurrentMapping() const {
  MappingSettings s;
  s.range_min = range_min.load();
  s.range_max = range_max.load();
  s.amp_gain = amp_gain.load();
  s.saturation = saturation.load();
  s.overflow = overflow.load();
  return s;
}

void RenderingModel::RenderFrame(const DisplayPlanes& planes) {
  if (planes.bytes == nullptr) return;
  const int format = display_format.load();
  const MappingSettings settings = CurrentMapping();
  std::lock_guard<std::mutex> lock(picture_lock_);
  std::memcpy(samples_.data(), planes.bytes, kDisplayPlanesBytes);
  for (int i = 0; i < ImageCountOfFormat(format); ++i) {
    SampleLookup& lookup = UsesAmplitudeMapping(format, i) ? amplitude_lookup_ : distance_lookup_;
    lookup.Update(settings);
    lookup.Map(samples_.data() + i * kImagePixels, kImagePixels, slots_[i].data());
    slot_ready_[i] = true;
  }
}

void RenderingModel::ClearImages() {
  {
    std::lock_guard<std::mutex> lock(picture_lock_);
    for (bool& ready : slot_ready_) ready = false;
  }
  if (images_cleared_) images_cleared_();
}

void RenderingModel::SetImagesClearedCallback(std::function<void()> callback) { images_cleared_ = std::move(callback); }

void RenderingModel::BuildLegends() {
  std::lock_guard<std::mutex> lock(picture_lock_);
  for (int r = 0; r < kLegendHeight; ++r) {
    const uint32_t distance = kDistanceColours[(r * 64) / 257];
    const uint32_t grey = Rgb(r, r, r);
    for (int c = 0; c < kLegendWidth; ++c) {
      distance_legend_[r * kLegendWidth + c] = distance;
      amplitude_legend_[r * kLegendWidth + c] = grey;
    }
  }
}

bool RenderingModel::SaveImageAsPng(const std::string& path, int slot) {
  if (slot < 0 || slot >= kImageSlots) return false;
  const bool flip_x = mirror_x.load() != 0;
  const bool flip_y = mirror_y.load() != 0;
  std::vector<unsigned char> rgb(kImagePixels * 3);
  {
    std::lock_guard<std::mutex> lock(picture_lock_);
    if (!slot_ready_[slot]) return false;
    unsigned char* out = rgb.data();
    for (int y = 0; y < kImageHeight; ++y) {
      const uint32_t* row = slots_[slot].data() + (flip_y ? kImageHeight - 1 - y : y) * kImageWidth;
      for (int x = 0; x < kImageWidth; ++x) {
        const uint32_t p = row[flip_x ? kImageWidth - 1 - x : x];
        *out++ = static_cast<unsigned char>(p >> 16);
        *out++ = static_cast<unsigned char>(p >> 8);
        *out++ = static_cast<unsigned char>(p);
      }
    }
  }
  return WriteRgbPng(path, rgb.data(), kImageWidth, kImageHeight);
}

PictureReader RenderingModel::ReadPicture() const { return PictureReader(*this); }

PictureReader::PictureReader(const RenderingModel& model) : model_(&model), lock_(model.picture_lock_) {}

bool PictureReader::SlotReady(int slot) const { return slot >= 0 && slot < kImageSlots && model_->slot_ready_[slot]; }

const uint32_t* PictureReader::SlotPixels(int slot) const {
  return SlotReady(slot) ? model_->slots_[slot].data() : nullptr;
}

const int16_t* PictureReader::SamplePlane(int plane) const {
  return model_->samples_.data() + (plane == 1 ? kImagePixels : 0);
}

}  // namespace kelvara
