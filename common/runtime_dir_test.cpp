#include "runtime_dir.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace
}  // namespace kelvara
