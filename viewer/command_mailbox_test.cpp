#include "viewer/command_mailbox.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace kelvara {
namespace viewer {
namespace {

TEST(CommandMailbox, HoldsOneCommandUntilTaken) {
  CommandMailbox mailbox;
  EXPECT_TRUE(mailbox.isEmpty());
  EXPECT_EQ(mailbox.pending(), nullptr);

  PipeCommand first;
  first.kind = CMD_DISTANCE_DATA;
  first.path = "/a";
  mailbox.post(first);
  ASSERT_NE(mailbox.pending(), nullptr);
  EXPECT_FALSE(mailbox.isEmpty());

  // A post into a full slot is refused: nothing is overwritten or merged.
  PipeCommand second;
  second.kind = CMD_ANGLE_TABLE;
  second.path = "/b";
  mailbox.post(second);
  EXPECT_EQ(mailbox.pending()->kind, CMD_DISTANCE_DATA);
  EXPECT_EQ(mailbox.pending()->path, "/a");

  mailbox.markTaken();
  EXPECT_TRUE(mailbox.isEmpty());
  PipeCommand none;
  mailbox.post(none);  // kind 0 is no command
  EXPECT_TRUE(mailbox.isEmpty());
}

// A reader thread posts many commands, each only into the empty slot; the
// consumer must see every one, in order, with the fields that were written
// before the kind (TSan checks the ordering).
TEST(CommandMailbox, CommandsArriveInOrderWithTheirFields) {
  constexpr int kCount = 2000;
  CommandMailbox mailbox;
  std::thread reader([&] {
    for (int i = 0; i < kCount; ++i) {
      while (!mailbox.isEmpty()) std::this_thread::yield();
      PipeCommand command;
      command.kind = 1 + i % 6;
      command.rangeMin = i;
      command.path = "file_" + std::to_string(i);
      mailbox.post(command);
    }
  });
  std::vector<int> seen;
  while (static_cast<int>(seen.size()) < kCount) {
    const PipeCommand* command = mailbox.pending();
    if (command == nullptr) {
      std::this_thread::yield();
      continue;
    }
    int i = command->rangeMin;
    EXPECT_EQ(command->kind, 1 + i % 6);
    EXPECT_EQ(command->path, "file_" + std::to_string(i));
    seen.push_back(i);
    mailbox.markTaken();
  }
  reader.join();
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(seen[i], i);
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
