#include "display/view_options.h"

#include "camera_facts/frame_geometry.h"
#include "config/range_message.h"

namespace kelvara {
namespace {

constexpr char kSection[] = "View";

}  // namespace

ViewOptions ViewOptions::Load(const Profile& profile) {
  ViewOptions o;
  o.horizontal_flip = profile.ReadInt(kSection, "HorizontalFlip", 0) != 0;
  o.vertical_flip = profile.ReadInt(kSection, "VerticalFlip", 0) != 0;
  o.range_max = profile.ReadInt(kSection, "RangeMax", 6250);
  o.range_min = profile.ReadInt(kSection, "RangeMin", 0);
  return o;
}

bool ViewOptions::Save(Profile& profile) const {
  bool ok = profile.WriteInt(kSection, "HorizontalFlip", horizontal_flip ? 1 : 0);
  ok &= profile.WriteInt(kSection, "VerticalFlip", vertical_flip ? 1 : 0);
  ok &= profile.WriteInt(kSection, "RangeMax", range_max);
  ok &= profile.WriteInt(kSection, "RangeMin", range_min);
  return ok;
}

std::string ViewOptions::Validate() const {
  if (range_max <= range_min || range_max > kDistanceLimitMm)
    return NumberRangeMessage(range_min + 1, kDistanceLimitMm);
  if (range_min < 0) return NumberRangeMessage(0, range_max - 1);
  return std::string();
}

}  // namespace kelvara
