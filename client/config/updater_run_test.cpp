// Running the updater: argument vector without a shell, exit statuses.
#include "config/updater_run.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(UpdaterRunTest, ExitStatusesAndStartFailures) {
  EXPECT_EQ(SpawnAndWait({"/bin/sh", "-c", "exit 0"}), 0);
  EXPECT_EQ(SpawnAndWait({"/bin/sh", "-c", "exit 3"}), 3);
  EXPECT_EQ(SpawnAndWait({"/nonexistent/Brenvik", "3"}), -1);
  EXPECT_EQ(SpawnAndWait({"/bin/sh", "-c", "kill -9 $$"}), -1);
  EXPECT_EQ(SpawnAndWait({}), -1);
}

TEST(UpdaterRunTest, ArgumentsAreNotSplitOrInterpreted) {
  // A folder with a blank and a shell character reaches the program whole.
  const auto argv = UpdaterArguments("/tmp/my cam;x/", "3");
  ASSERT_EQ(argv.size(), 4u);
  EXPECT_EQ(argv[0], "/tmp/my cam;x/Brenvik");
  EXPECT_EQ(argv[2], "/tmp/my cam;x/Table/qor_table.dat");
  EXPECT_EQ(SpawnAndWait({"/bin/sh", "-c", "test \"$1\" = '/tmp/my cam;x/Table/qor_table.dat'", "sh", argv[2]}), 0);
}

}  // namespace
}  // namespace kelvara
