#include "export_ring.h"

#include <cstdio>
#include <string>

#include "export3d_paths.h"
#include "frame_layout.h"

namespace kelvara {
namespace {

bool WriteWhole(const std::string& path, const void* data, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool wrote = std::fwrite(data, 1, size, f) == size;
  return (std::fclose(f) == 0) && wrote;
}

// Writes the file whole under a temporary name beside it, then renames it
// into place: a reader opens either the old file or the new one, never a
// truncated or half-written one.
bool ReplaceWhole(const std::string& path, const void* data, std::size_t size) {
  const std::string tmp = path + ".tmp";
  if (!WriteWhole(tmp, data, size)) {
    std::remove(tmp.c_str());
    return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace

ExportRing::ExportRing(std::string program_folder) : program_folder_(std::move(program_folder)) {}

std::string ExportRing::SlotPath(int slot) const { return RingFilePath(program_folder_, slot); }

std::string ExportRing::PointerPath() const { return RingPointerFilePath(program_folder_); }

bool ExportRing::Write(const unsigned char* frame) {
  const int slot = slot_;
  slot_ = slot_ == kExportSlots - 1 ? 0 : slot_ + 1;
  // The viewer may be reading this slot's previous frame right now.
  if (!ReplaceWhole(SlotPath(slot), frame, kExportFrameBytes)) return false;
  const std::string text = std::to_string(slot);
  return ReplaceWhole(PointerPath(), text.data(), text.size());
}

}  // namespace kelvara
