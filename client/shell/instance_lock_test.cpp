// The single-instance lock: a second holder is refused until the first goes,
// also across processes.
#include "shell/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>

namespace kelvara {
namespace {

std::string TempLockPath() {
  char name[] = "/tmp/kelvara-lock-XXXXXX";
  const std::string dir = mkdtemp(name);
  return dir + "/D0C54F0E-BE35-451A-95FB-0119E7BFF998.lock";
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstIsGone) {
  const std::string path = TempLockPath();
  {
    InstanceLock first(path);
    ASSERT_TRUE(first.Held());
    InstanceLock second(path);
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(second.HeldElsewhere());
    // Another process sees it held too.
    const pid_t pid = fork();
    if (pid == 0) {
      InstanceLock other(path);
      _exit(other.HeldElsewhere() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  InstanceLock again(path);
  EXPECT_TRUE(again.Held());
}

TEST(InstanceLockTest, AnUnusableFolderIsNotTakenForAnotherInstance) {
  InstanceLock lock("/nonexistent-folder/x.lock");
  EXPECT_FALSE(lock.Held());
  EXPECT_FALSE(lock.HeldElsewhere());
}

}  // namespace
}  // namespace kelvara
