// The shared whole-file writer: what every caller (logs, pictures, the 3D
// export ring, the profile) relies on. The failure cases (full disk, file
// size limit, missing folder) are tested through the callers.
#include "whole_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "temp_folder.h"
#include "test_files.h"

namespace kelvara {
namespace {

using testing::ReadFile;
using testing::TempFolder;

// Both ways of writing replace the old file and leave nothing else behind;
// the mode asked for is the new file's.
TEST(WholeFile, ReplacesTheFileWithTheModeAskedFor) {
  struct Case {
    bool sync;
    mode_t mode;
  } cases[] = {{false, 0600}, {true, 0640}};
  const mode_t mask = umask(0);
  umask(mask);
  for (const Case& c : cases) {
    TempFolder folder;
    const std::string path = folder.Path("a.txt");
    std::ofstream(path) << "old content that is longer";
    WholeFileOptions options;
    options.sync = c.sync;
    options.mode = c.mode;
    ASSERT_TRUE(WriteWholeFile(path, "new", 3, options));
    EXPECT_EQ(ReadFile(path), "new");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, c.mode & ~mask) << std::oct << c.mode;
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder.path())) entries += e.exists();
    EXPECT_EQ(entries, 1);
  }
}

// A device cannot be replaced by a rename: it is written in place.
TEST(WholeFile, DeviceTargetIsWrittenInPlace) {
  EXPECT_TRUE(WriteWholeFile("/dev/null", "x", 1));
  struct stat st {};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
}  // namespace kelvara
