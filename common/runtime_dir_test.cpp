#include "common/runtime_dir.h"
#include "testing/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <string>

namespace kelvara {
namespace {

class RuntimeDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = folder_.path();
    unsetenv("KELVARA_RUNTIME_DIR");
    unsetenv("KELVARA_PORT_DIR");
  }
  void TearDown() override {
    unsetenv("KELVARA_RUNTIME_DIR");
    unsetenv("KELVARA_PORT_DIR");
    unsetenv("XDG_RUNTIME_DIR");
  }
  kelvara::testing::TempFolder folder_{"kelvara-rt"};
  std::string base_;
};

TEST_F(RuntimeDirTest, XdgThenOverridesDecideThePaths) {
  setenv("XDG_RUNTIME_DIR", base_.c_str(), 1);
  EXPECT_EQ(RuntimeDirPath(), base_ + "/kelvara");
  EXPECT_EQ(PortDirPath(), base_ + "/kelvara/ports");
  EXPECT_EQ(ViewerSocketPath(), base_ + "/kelvara/mypipe");

  setenv("KELVARA_RUNTIME_DIR", (base_ + "/rt/").c_str(), 1);
  EXPECT_EQ(RuntimeDirPath(), base_ + "/rt");
  setenv("KELVARA_PORT_DIR", (base_ + "/p").c_str(), 1);
  EXPECT_EQ(PortDirPath(), base_ + "/p");
  EXPECT_EQ(ViewerSocketPath(), base_ + "/rt/mypipe");

  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("KELVARA_RUNTIME_DIR");
  EXPECT_EQ(RuntimeDirPath(), "/tmp/kelvara-" + std::to_string(geteuid()));
}

TEST_F(RuntimeDirTest, CreatesPrivateDirectoriesAndRefusesAFile) {
  setenv("KELVARA_RUNTIME_DIR", (base_ + "/rt").c_str(), 1);
  ASSERT_EQ(EnsurePortDir(), base_ + "/rt/ports");
  struct stat st {};
  ASSERT_EQ(stat((base_ + "/rt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  std::string file = base_ + "/plainfile";
  FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  setenv("KELVARA_RUNTIME_DIR", file.c_str(), 1);
  EXPECT_EQ(EnsureRuntimeDir(), "");
}

// Whoever may write to the runtime or port directory could replace the
// viewer's socket or a port entry: such a directory is refused, with a
// message that says how to fix it.
TEST_F(RuntimeDirTest, RefusesDirectoriesOthersMayWriteOrThatAreLinks) {
  const std::string rt = base_ + "/rt";
  setenv("KELVARA_RUNTIME_DIR", rt.c_str(), 1);
  ASSERT_EQ(mkdir(rt.c_str(), 0700), 0);
  for (mode_t mode : {0777, 0770, 0702, 01777}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(chmod(rt.c_str(), mode), 0);
    EXPECT_EQ(EnsureRuntimeDir(), "");
    EXPECT_NE(RuntimeDirProblem().find("chmod 700 " + rt), std::string::npos) << RuntimeDirProblem();
    EXPECT_EQ(EnsurePortDir(), "");
  }
  ASSERT_EQ(chmod(rt.c_str(), 0750), 0);  // others may read and enter, not write
  EXPECT_EQ(EnsureRuntimeDir(), rt);

  // A port directory of its own with group write, and a link posing as one.
  const std::string ports = base_ + "/ports";
  ASSERT_EQ(mkdir(ports.c_str(), 0700), 0);
  ASSERT_EQ(chmod(ports.c_str(), 0770), 0);
  setenv("KELVARA_PORT_DIR", ports.c_str(), 1);
  EXPECT_EQ(EnsurePortDir(), "");
  const std::string link = base_ + "/linked";
  ASSERT_EQ(symlink(rt.c_str(), link.c_str()), 0);
  setenv("KELVARA_PORT_DIR", link.c_str(), 1);
  EXPECT_EQ(EnsurePortDir(), "");
  EXPECT_NE(RuntimeDirProblem().find("not a directory"), std::string::npos) << RuntimeDirProblem();
}

}  // namespace
}  // namespace kelvara
