#include "feed3d/bridge_thread.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "bridge/velmar.h"
#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "camera_facts/viewer_commands.h"
#include "config/profile_store.h"
#include "feed3d/bridge_library.h"
#include "feed3d/export_ring.h"
#include "feed3d/feed3d_paths.h"

namespace kelvara {
namespace {

// The ratio text read as a decimal number (strtod rule, C locale), narrowed
// to a float; numbers beyond the float range become infinities.
float ParseRatio(const std::string& text) {
  double v = std::strtod(text.c_str(), nullptr);
  if (std::isnan(v)) return static_cast<float>(v);
  if (std::fabs(v) >= 0x1.ffffffp127) return v > 0 ? HUGE_VALF : -HUGE_VALF;
  if (std::fabs(v) > FLT_MAX) return v > 0 ? FLT_MAX : -FLT_MAX;
  return static_cast<float>(v);
}

// The leading decimal number of the first line of "data_no", or false when
// the file cannot be opened or holds no line.
bool ReadRingSlot(const std::string& pointer_path, int* slot) {
  std::FILE* file = std::fopen(pointer_path.c_str(), "r");
  if (file == nullptr) return false;
  char line[64];
  bool read = std::fgets(line, sizeof(line), file) != nullptr;
  std::fclose(file);
  if (read) *slot = ParseLeadingInt(line);
  return read;
}

// libvelmar.so's results for a message that no retry can change: it would
// exceed the viewer's message limit, or its path holds a comma.
bool IsPermanentRefusal(int result) { return result == QOR3D_ERR_TOO_LONG || result == QOR3D_ERR_BAD_PATH; }

// Whether a path message ("<kind>,<path>") can carry this path at all.
bool CanBeSent(const std::string& path) {
  return path.find(',') == std::string::npos && 2 + path.size() <= static_cast<size_t>(viewer::kMaxPipeMessageBytes);
}

class Bridge {
 public:
  Bridge(const BridgeRun& run, std::unique_ptr<BridgeLibrary> library) : run_(run), library_(std::move(library)) {}

  void Run() {
    const std::string angle_path = AngleFilePath(run_.data_folder);
    const std::string pointer_path = RingPointerFilePath(run_.data_folder);
    std::pair<int, int> last_distance = run_.state->ViewRange();
    std::pair<int, int> last_colour = last_distance;

    Profile profile = run_.profile_path.empty() ? Profile::Current() : Profile(run_.profile_path);
    interval_ = profile.ReadInt("3D", "UpdateInterval", 150);
    const std::string ratio_text = profile.ReadString("3D", "DistanceRatio", "1.0");
    const float ratio = ParseRatio(ratio_text);

    const std::function<int()> pushes[] = {
        [&] { return library_->UpdateDistanceRange(last_distance.first, last_distance.second); },
        [&] { return library_->UpdateDistanceRatio(ratio); },
        [&] { return library_->UpdateColorRange(last_colour.first, last_colour.second); },
        [&] { return library_->UpdateAngleTable(angle_path.c_str()); },
    };
    bool stopped = !EveryPathCanBeSent(angle_path);
    for (const auto& push : pushes) {
      if (stopped) break;
      // Each push is repeated until the library accepts it.
      stopped = !Pause(run_.timing.push_retry_ms);
      int result = 0;
      while (!stopped && (result = push()) != 0) {
        stopped = IsPermanentRefusal(result) ? Refused() : !Pause(run_.timing.push_retry_ms);
      }
    }
    // Time for the viewer to read the angle table before the first frame.
    if (!stopped) stopped = !Pause(run_.timing.settle_ms);

    // A zero or negative interval would make the passes spin.
    const int interval_ms = interval_ < 1 ? 1 : interval_;
    while (!stopped && Pause(interval_ms)) {
      stopped = !Pass(pointer_path, &last_distance, &last_colour) || run_.state->stopped.load() != 0;
    }

    library_.reset();  // unload before the profile is written
    profile.WriteInt("3D", "UpdateInterval", interval_);
    profile.WriteString("3D", "DistanceRatio", ratio_text);
  }

 private:
  bool Pause(int ms) { return run_.pacer->Pause(ms); }

  // The angle file and every ring file must fit a message; otherwise no
  // push could ever be taken. False after reporting it.
  bool EveryPathCanBeSent(const std::string& angle_path) {
    bool can = CanBeSent(angle_path);
    for (int slot = 0; can && slot < kExportSlots; ++slot) can = CanBeSent(RingFilePath(run_.data_folder, slot));
    return can || !Refused();
  }

  // Reports the permanent refusal once and switches 3D display off. Returns
  // true: the thread stops.
  bool Refused() {
    run_.state->stopped.store(1);
    if (run_.notifier != nullptr)
      run_.notifier->ShowMessage(BridgeRefusalMessage(run_.data_folder), MessageIcon::kExclamation);
    return true;
  }

  // A changed view range goes first (distance, then colour, one per pass
  // when accepted); otherwise the newest ring file, by the frame's kind.
  // False when the viewer can never take what this pass sends (reported).
  bool Pass(const std::string& pointer_path, std::pair<int, int>* last_distance, std::pair<int, int>* last_colour) {
    const std::pair<int, int> range = run_.state->ViewRange();
    if (range != *last_distance) {
      *last_distance = range;
      if (library_->UpdateDistanceRange(range.first, range.second) == 0) return true;
    }
    if (range != *last_colour) {
      *last_colour = range;
      if (library_->UpdateColorRange(range.first, range.second) == 0) return true;
    }
    int slot = 0;
    if (!ReadRingSlot(pointer_path, &slot)) return true;
    const std::string frame_path = RingFilePath(run_.data_folder, slot);
    const int result = viewer::DataCommandOfFormat(run_.state->format_index.load()) == viewer::CMD_DISTANCE_DATA
                           ? library_->UpdateDistanceData(frame_path.c_str())
                           : library_->UpdateCoordinateData(frame_path.c_str());
    return !IsPermanentRefusal(result) || !Refused();
  }

  const BridgeRun& run_;
  std::unique_ptr<BridgeLibrary> library_;
  int interval_ = 150;
};

}  // namespace

std::string BridgeRefusalMessage(const std::string& data_folder) {
  return "3D display cannot start: the viewer cannot be given the files in [ " + data_folder +
         "3d_data ] (the path holds a comma or is too long).";
}

void RunBridgeThread(const BridgeRun& run) {
  if (run.state == nullptr || run.pacer == nullptr) return;
  const std::string path = run.library_path.empty() ? run.data_folder + "libvelmar.so" : run.library_path;
  std::unique_ptr<BridgeLibrary> library = BridgeLibrary::Load(path);
  if (!library) return;
  Bridge(run, std::move(library)).Run();
}

}  // namespace kelvara
