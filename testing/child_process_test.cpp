#include "testing/child_process.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cerrno>
#include <csignal>

namespace kelvara {
namespace testing {
namespace {

using std::chrono::milliseconds;

const char kSh[] = "/bin/sh";

TEST(ChildProcessTest, ReportsExitStatusAndCapturedStreams) {
  struct Case {
    const char* script;
    int status;
    const char* out;
    const char* err;
  } cases[] = {
      {"exit 0", 0, "", ""},
      {"echo one; echo two >&2; exit 3", 3, "one\n", "two\n"},
      {"kill -KILL $$", 128 + SIGKILL, "", ""},
      {"printf '%s' \"$1|$2\"", 0, "a b|'c'", ""},
  };
  for (const Case& c : cases) {
    ChildProcess child({kSh, "-c", c.script, "sh", "a b", "'c'"}, {ChildProcess::kCapture, ChildProcess::kCapture});
    ASSERT_TRUE(child.started()) << child.error();
    EXPECT_EQ(child.Wait(), c.status) << c.script;
    EXPECT_EQ(child.out(), c.out) << c.script;
    EXPECT_EQ(child.err(), c.err) << c.script;
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.Wait(), c.status) << "asked again";
  }
}

TEST(ChildProcessTest, RunProgramDiscardsOutputAndKeepsErrors) {
  std::string err;
  EXPECT_EQ(RunProgram({kSh, "-c", "echo out; echo err >&2; exit 4"}, &err), 4);
  EXPECT_EQ(err, "err\n");
  EXPECT_EQ(RunProgram({"/no/such/program"}, &err), 127);
  EXPECT_NE(err.find("/no/such/program"), std::string::npos) << err;
}

TEST(ChildProcessTest, RunForkedReturnsWhatTheCopyReturned) {
  int here = 1;
  EXPECT_EQ(RunForked([&] {
              here = 2;  // the copy's own memory
              return 7;
            }),
            7);
  EXPECT_EQ(here, 1);
  EXPECT_EQ(RunForked([] { return raise(SIGKILL); }), 128 + SIGKILL);
}

TEST(ChildProcessTest, AMissingProgramIsNotStarted) {
  ChildProcess child({"/no/such/program"});
  EXPECT_FALSE(child.started());
  EXPECT_FALSE(child.running());
  EXPECT_NE(child.error().find("No such file"), std::string::npos) << child.error();
}

TEST(ChildProcessTest, WaitWithALimitLeavesARunningChildRunning) {
  ChildProcess child({kSh, "-c", "echo ready; exec sleep 600"}, {ChildProcess::kCapture, ChildProcess::kInherit});
  std::string line;
  ASSERT_TRUE(child.ReadLine(&line));
  EXPECT_EQ(line, "ready");
  EXPECT_FALSE(child.Wait(milliseconds(0)).has_value());
  EXPECT_TRUE(child.running());
  EXPECT_EQ(kill(child.pid(), 0), 0);
  EXPECT_EQ(child.Terminate(), 128 + SIGTERM);
  EXPECT_EQ(child.wait_status() & 0x7f, SIGTERM);
}

TEST(ChildProcessTest, ReadLineGivesLinesInOrderAndFalseAtTheEnd) {
  ChildProcess child({kSh, "-c", "printf 'a\\nb\\nc'"}, {ChildProcess::kCapture, ChildProcess::kInherit});
  std::string line;
  ASSERT_TRUE(child.ReadLine(&line));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(child.ReadLine(&line));
  EXPECT_EQ(line, "b");
  EXPECT_FALSE(child.ReadLine(&line));  // "c" has no end of line
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_EQ(child.out(), "c");
}

TEST(ChildProcessTest, AChildIgnoringSigtermIsKilledAndReaped) {
  // The trap is set before "ready" is printed: SIGTERM is surely ignored.
  ChildProcess child({kSh, "-c", "trap '' TERM; echo ready; exec sleep 600"},
                     {ChildProcess::kCapture, ChildProcess::kInherit});
  std::string line;
  ASSERT_TRUE(child.ReadLine(&line));
  const pid_t pid = child.pid();
  EXPECT_EQ(child.Terminate(milliseconds(50)), 128 + SIGKILL);
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(ChildProcessTest, TheDestructorEndsAndReapsAChild) {
  pid_t pid = -1;
  {
    ChildProcess child({kSh, "-c", "echo ready; exec sleep 600"}, {ChildProcess::kCapture, ChildProcess::kInherit});
    std::string line;
    ASSERT_TRUE(child.ReadLine(&line));
    pid = child.pid();
  }
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace testing
}  // namespace kelvara
