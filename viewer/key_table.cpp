#include "viewer/key_table.h"

#include <algorithm>
#include <cstddef>

namespace kelvara {
namespace viewer {
namespace {

struct KeyRow {
  const char* keys;
  const char* meaning;
};

// The viewer's keys first, then the visualizer's.
constexpr KeyRow kKeyRows[] = {
    {"r", "whole cloud, seen from the camera's side"},
    {"h", "show or hide this list"},
    {"left drag", "turn (Shift: move, Ctrl: roll)"},
    {"middle drag", "move"},
    {"wheel, right drag", "zoom"},
    {"R", "fit the cloud, keeping the direction"},
    {"+  -", "bigger or smaller points"},
    {"Alt +  Alt -", "zoom in or out"},
    {"f", "fly to the point under the mouse"},
    {"o", "perspective or parallel view"},
    {"g", "scale grid on or off"},
    {"q  e", "close the viewer"},
};

std::string buildKeyList() {
  std::size_t width = 0;
  for (const KeyRow& row : kKeyRows) width = std::max(width, std::string(row.keys).size());
  std::string text;
  for (const KeyRow& row : kKeyRows) {
    if (!text.empty()) text += '\n';
    std::string keys = row.keys;
    text += keys + std::string(width + 2 - keys.size(), ' ') + row.meaning;
  }
  return text;
}

}  // namespace

KeyAction keyAction(const std::string& keySym, bool keyDown, bool ctrl) {
  if (!keyDown || ctrl) return KeyAction::kNone;
  if (keySym == "r") return KeyAction::kWholeCloudView;
  if (keySym == "h") return KeyAction::kToggleKeyList;
  return KeyAction::kNone;
}

const std::string& keyListText() {
  static const std::string text = buildKeyList();
  return text;
}

}  // namespace viewer
}  // namespace kelvara
