#include "testing/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kelvara {
namespace testing {
namespace {

namespace fs = std::filesystem;

TEST(TempFolderTest, IsAFreshFolderUnderTmpdirRemovedWithAllItHolds) {
  TempFolder outer("kelvara-outer");
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved ? saved : "";
  setenv("TMPDIR", outer.path().c_str(), 1);
  std::string path;
  {
    TempFolder a("kelvara-a"), b("kelvara-a");
    path = a.path();
    EXPECT_NE(a.path(), b.path());
    EXPECT_EQ(fs::path(a.path()).parent_path(), fs::path(outer.path()));
    EXPECT_EQ(fs::path(a.path()).filename().string().rfind("kelvara-a-", 0), 0u);
    EXPECT_TRUE(fs::is_directory(a.path()));
    EXPECT_EQ(fs::status(a.path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(a.Path("x.csv"), a.path() + "/x.csv");

    // Contents, a symbolic link out of it and a read-only subfolder go too;
    // what the link points to stays.
    fs::create_directories(a.Path("deep/ro"));
    std::ofstream(a.Path("deep/ro/file")) << "bytes";
    std::ofstream(b.Path("kept")) << "bytes";
    fs::create_symlink(b.Path("kept"), a.Path("link"));
    fs::permissions(a.Path("deep/ro"), fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(a.Path("deep"), fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(a.path(), fs::perms::owner_read | fs::perms::owner_exec);
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::is_empty(outer.path()));
  if (saved) {
    setenv("TMPDIR", saved_value.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

TEST(TempFolderTest, AFolderThatCannotBeMadeThrows) {
  TempFolder outer;
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved ? saved : "";
  setenv("TMPDIR", outer.Path("missing").c_str(), 1);
  EXPECT_THROW(TempFolder(), std::system_error);
  if (saved) {
    setenv("TMPDIR", saved_value.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

}  // namespace
}  // namespace testing
}  // namespace kelvara
