// Where the profile, the marker and the 3D files go for a build-folder copy
// and for an installed copy.
#include "shell/client_paths.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(ClientPathsTest, WritableProgramFolderKeepsEverythingBesideTheProgram) {
  PathInputs in;
  in.executable = "/home/u/kelvara/build/bin/Kelvara";
  in.folder_writable = true;
  in.runtime_dir = "/run/user/1000/kelvara";
  const ClientPaths p = ResolveClientPaths(in);
  EXPECT_EQ(p.program_folder, "/home/u/kelvara/build/bin/");
  EXPECT_EQ(p.profile_path, "/home/u/kelvara/build/bin/Kelvara.ini");
  EXPECT_EQ(p.data_folder, "/home/u/kelvara/build/bin/");
}

TEST(ClientPathsTest, InstalledCopyUsesTheConfigAndRuntimeFolders) {
  struct Case {
    std::string config_home;
    std::string profile;
  };
  const Case cases[] = {{"/home/u/.cfg", "/home/u/.cfg/kelvara/Kelvara.ini"},
                        {"", "/home/u/.config/kelvara/Kelvara.ini"}};
  for (const Case& c : cases) {
    PathInputs in;
    in.executable = "/usr/lib/kelvara/Kelvara";
    in.folder_writable = false;
    in.config_home = c.config_home;
    in.home = "/home/u";
    in.runtime_dir = "/run/user/1000/kelvara";
    const ClientPaths p = ResolveClientPaths(in);
    EXPECT_EQ(p.program_folder, "/usr/lib/kelvara/");
    EXPECT_EQ(p.profile_path, c.profile);
    EXPECT_EQ(p.data_folder, "/run/user/1000/kelvara/");
  }
}

}  // namespace
}  // namespace kelvara
