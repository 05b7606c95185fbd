#pragma once
// The model behind the picture window: the sample copy of the last frame,
// the two display images, the legends and the picture lock.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "display/sample_mapping.h"
#include "frame/frame_decode.h"

namespace kelvara {

// One image per display plane, pixel for pixel.
constexpr int kImageWidth = kFrameWidth;
constexpr int kImageHeight = kFrameHeight;
constexpr int kImagePixels = kImageWidth * kImageHeight;
constexpr int kLegendWidth = 48;
constexpr int kLegendHeight = 256;
constexpr int kImageSlots = 2;

// Images drawn for a display format: ImageCountOfFormat (format_table.h).
// Whether image `image` of a display format uses the amplitude mapping.
bool UsesAmplitudeMapping(int display_format, int image);

class PictureReader;

class RenderingModel {
 public:
  RenderingModel();
  RenderingModel(const RenderingModel&) = delete;
  RenderingModel& operator=(const RenderingModel&) = delete;

  // Display settings. Written by the UI thread, read by the renderer without
  // the picture lock; a frame rendered during a change uses the old or the
  // new value. The window loads amp_gain, saturation and overflow from the
  // profile section "View" and writes them back.
  std::atomic<int> display_format{0};  // format index 0..6 of the frames shown
  std::atomic<int> range_min{0};       // RangeMin, mm
  std::atomic<int> range_max{6250};    // RangeMax, mm
  std::atomic<int> amp_gain{1};        // AmpGain
  std::atomic<int> saturation{1};      // Saturation flag
  std::atomic<int> overflow{1};        // Overflow flag
  std::atomic<int> mirror_x{0};        // reverse columns when drawing and saving
  std::atomic<int> mirror_y{0};        // reverse rows when drawing and saving

  // Copies both planes into the sample copy and rebuilds the display images
  // of the current display format, all under the picture lock. Does not
  // repaint: the caller asks the window for that.
  void RenderFrame(const DisplayPlanes& planes);

  // Empties both image slots, then calls the images-cleared callback (the
  // window repaints with erasing). The callback runs without the lock held.
  void ClearImages();
  // Set once by the window before any frame is rendered.
  void SetImagesClearedCallback(std::function<void()> callback);

  // Builds the two 48 x 256 legends; called once when the window initialises.
  void BuildLegends();
  const uint32_t* DistanceLegend() const { return distance_legend_.data(); }
  const uint32_t* AmplitudeLegend() const { return amplitude_legend_.data(); }

  // Writes the image of `slot` to `path` as an 8-bit RGB PNG with the mirror
  // flags applied. Returns false, leaving no file at `path` behind, when the
  // slot holds no image or the file cannot be written.
  bool SaveImageAsPng(const std::string& path, int slot);

  // Holds the picture lock for as long as the reader lives: the painter reads
  // the slots and the sample copy through it.
  PictureReader ReadPicture() const;

  // The current display settings in one snapshot.
  MappingSettings CurrentMapping() const;

 private:
  friend class PictureReader;

  mutable std::mutex picture_lock_;
  // Guarded by picture_lock_:
  std::vector<int16_t> samples_;              // two planes of 76800
  std::vector<uint32_t> slots_[kImageSlots];  // 76800 words each
  bool slot_ready_[kImageSlots] = {false, false};
  SampleLookup distance_lookup_{SampleLookup::Kind::kDistance};
  SampleLookup amplitude_lookup_{SampleLookup::Kind::kAmplitude};

  std::vector<uint32_t> distance_legend_;   // 48 x 256
  std::vector<uint32_t> amplitude_legend_;  // 48 x 256
  std::function<void()> images_cleared_;
};

// Read access to the picture while holding the picture lock.
class PictureReader {
 public:
  // Whether the slot holds an image; the window draws nothing until slot 0 does.
  bool SlotReady(int slot) const;
  // 320 x 240 words 0x00RRGGBB, row 0 at the top; nullptr when not ready.
  const uint32_t* SlotPixels(int slot) const;
  // The sample copy: plane 0 or 1, 76800 signed samples in pixel order.
  const int16_t* SamplePlane(int plane) const;

 private:
  friend class RenderingModel;
  explicit PictureReader(const RenderingModel& model);

  const RenderingModel* model_;
  std::unique_lock<std::mutex> lock_;
};

}  // namespace kelvara
