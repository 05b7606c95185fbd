#include "camsim/scene.h"

#include "camsim/pattern_frames.h"
#include "camsim/pattern_scene.h"
#include "camsim/room_scene.h"

namespace kelvara {
namespace camsim {

std::vector<unsigned char> Scene::VersionPayload() const { return pattern::VersionPayload(); }

std::unique_ptr<Scene> MakeScene(const std::string& name, uint64_t seed, double warm_up_minutes) {
  if (name == "pattern") return std::make_unique<PatternFrames>();
  if (name == "room") {
    auto room = std::make_unique<RoomScene>(seed);
    room->SetWarmUp(warm_up_minutes);
    return room;
  }
  return nullptr;
}

}  // namespace camsim
}  // namespace kelvara
