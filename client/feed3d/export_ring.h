#pragma once
// The 3D export ring: the first 614400 bytes of each frame go to
// "3d_data/data_<N>.bin" (slots 0 to 5, in turn), then "3d_data/data_no"
// names the slot just written. Each file is written whole under a hidden
// temporary name and renamed into place, so a reader (the bridge thread
// reads "data_no", the viewer the slot it names) never opens a torn or
// empty file, even when the slot is being replaced meanwhile.
#include <cstddef>
#include <string>

namespace kelvara {

constexpr int kExportSlots = 6;

class ExportRing {
 public:
  // `data_folder` ends with '/'; the ring lives in its "3d_data" folder,
  // which must exist.
  explicit ExportRing(std::string data_folder);

  // Writes the frame into the current slot, then names it in "data_no", and
  // advances the slot (whether or not the writes succeeded). Returns false
  // when a file could not be written.
  bool Write(const unsigned char* frame);

  int NextSlot() const { return slot_; }
  std::string SlotPath(int slot) const;
  std::string PointerPath() const;

 private:
  std::string data_folder_;
  int slot_ = 0;
};

}  // namespace kelvara
