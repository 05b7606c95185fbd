#pragma once
// The viewer's own keys, and the key list that `h` shows in the window.
// The visualizer's built-in mouse and key bindings stay active beside them;
// the list names those worth knowing.
#include <string>

namespace kelvara {
namespace viewer {

enum class KeyAction {
  kNone,
  kWholeCloudView,  // the whole cloud, seen from the camera's side
  kToggleKeyList,   // shows or hides the key list
};

// What a key event does. `keySym` as X names it ("r", "R", "h"); the
// comparison is case-sensitive. Only presses act. Ctrl + r stays the
// visualizer's "restore the saved camera"; Alt + r, which the visualizer
// takes for a view from the cloud's sensor origin (inside the cloud, facing
// away from the camera), gives the whole cloud as plain r does.
KeyAction keyAction(const std::string& keySym, bool keyDown, bool ctrl);

// The key list, one key or mouse action per line, columns aligned for a
// fixed-width font; no line break after the last line.
const std::string& keyListText();

// The line shown while the list is hidden.
constexpr char kKeyListHint[] = "h: keys";

}  // namespace viewer
}  // namespace kelvara
