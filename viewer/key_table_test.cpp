#include "viewer/key_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kelvara {
namespace viewer {
namespace {

TEST(KeyTable, WhatEachKeyDoes) {
  const struct {
    const char* keySym;
    bool down;
    bool ctrl;
    KeyAction action;
  } cases[] = {
      {"r", true, false, KeyAction::kWholeCloudView},
      {"r", false, false, KeyAction::kNone},  // the release
      {"R", true, false, KeyAction::kNone},   // Shift + r stays the visualizer's fit
      {"r", true, true, KeyAction::kNone},    // Ctrl + r restores the saved camera
      {"rr", true, false, KeyAction::kNone},
      {"h", true, false, KeyAction::kToggleKeyList},
      {"h", false, false, KeyAction::kNone},
      {"H", true, false, KeyAction::kNone},
      {"h", true, true, KeyAction::kNone},
      {"q", true, false, KeyAction::kNone},
      {"", true, false, KeyAction::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(keyAction(c.keySym, c.down, c.ctrl), c.action)
        << "\"" << c.keySym << "\" " << (c.down ? "down" : "up") << (c.ctrl ? " with Ctrl" : "");
  }
}

TEST(KeyTable, TheListNamesTheViewersKeysFirstInTwoColumns) {
  std::vector<std::string> lines;
  std::istringstream in(keyListText());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("r ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("h ", 0), 0u) << lines[1];
  EXPECT_NE(keyListText().back(), '\n');
  // The meanings start in one column, two spaces after the longest key.
  const size_t column = lines[0].find_first_not_of(' ', 1);
  for (const std::string& line : lines) {
    ASSERT_GT(line.size(), column) << line;
    EXPECT_EQ(line.substr(column - 2, 2), "  ") << line;
    EXPECT_NE(line[column], ' ') << line;
  }
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
