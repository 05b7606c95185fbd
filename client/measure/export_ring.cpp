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

}  // namespace

ExportRing::ExportRing(std::string program_folder) : program_folder_(std::move(program_folder)) {}

std::string ExportRing::SlotPath(int slot) const { return RingFilePath(program_folder_, slot); }

std::string ExportRing::PointerPath() const { return RingPointerFilePath(program_folder_); }

bool ExportRing::Write(const unsigned char* frame) {
  const int slot = slot_;
  slot_ = slot_ == kExportSlots - 1 ? 0 : slot_ + 1;
  if (!WriteWhole(SlotPath(slot), frame, kExportFrameBytes)) return false;
  // "data_no" is replaced by a rename, so the bridge never reads it empty or
  // half written.
  const std::string text = std::to_string(slot);
  const std::string tmp = PointerPath() + ".tmp";
  if (!WriteWhole(tmp, text.data(), text.size())) return false;
  return std::rename(tmp.c_str(), PointerPath().c_str()) == 0;
}

}  // namespace kelvara
