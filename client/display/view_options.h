#pragma once
// The view panel's options without Qt: the flips and the distance range,
// as the profile's "View" section keeps them. Loaded when the panel opens,
// saved when a picture or a measurement starts.
#include <string>

#include "config/profile_store.h"

namespace kelvara {

struct ViewOptions {
  bool horizontal_flip = false;
  bool vertical_flip = false;
  int range_min = 0;     // mm, 0 .. range_max - 1
  int range_max = 6250;  // mm, range_min + 1 .. the distance limit

  // Missing keys read as the defaults above.
  static ViewOptions Load(const Profile& profile);
  // False when a key could not be written (all are tried).
  bool Save(Profile& profile) const;
  // The message of the first refused value (maximum, then minimum); empty
  // when both are accepted.
  std::string Validate() const;

  // The mirror flags of the picture and the logs: columns reversed with
  // "Horizontal flip", rows reversed unless "Vertical flip" is on.
  bool MirrorX() const { return horizontal_flip; }
  bool MirrorY() const { return !vertical_flip; }
};

}  // namespace kelvara
