#include "feed3d/export_ring.h"

#include <string>
#include <utility>

#include "common/whole_file.h"
#include "feed3d/feed3d_paths.h"
#include "frame/frame_layout.h"

namespace kelvara {

ExportRing::ExportRing(std::string data_folder) : data_folder_(std::move(data_folder)) {}

std::string ExportRing::SlotPath(int slot) const { return RingFilePath(data_folder_, slot); }

std::string ExportRing::PointerPath() const { return RingPointerFilePath(data_folder_); }

bool ExportRing::Write(const unsigned char* frame) {
  const int slot = slot_;
  slot_ = slot_ == kExportSlots - 1 ? 0 : slot_ + 1;
  // The viewer may be reading this slot's previous frame right now: a
  // reader opens either the old file or the new one, never a torn one.
  if (!WriteWholeFile(SlotPath(slot), frame, kExportFrameBytes)) return false;
  const std::string text = std::to_string(slot);
  return WriteWholeFile(PointerPath(), text.data(), text.size());
}

}  // namespace kelvara
