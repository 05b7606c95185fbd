// The shared whole-file writer: what every caller (logs, pictures, the 3D
// export ring, the profile) relies on. The failure cases (full disk, file
// size limit, missing folder) are tested through the callers.
#include "common/whole_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/temp_folder.h"
#include "testing/test_files.h"

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

// A pipe that nobody reads cannot be written: both ways fail at once
// instead of waiting for a reader.
TEST(WholeFile, APipeWithoutAReaderFailsAtOnce) {
  TempFolder folder;
  const std::string fifo = folder.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(WriteWholeFile(fifo, "x", 1));
  EXPECT_FALSE(AppendWhole(fifo, "x\n", "header\n"));
}

// Every name that fits a folder entry can be written, however long: its
// hidden temporary is cut to fit too (and never inside a UTF-8 character).
TEST(WholeFile, NamesUpToTheLongestAreWritten) {
  const std::string euro = "\xE2\x82\xAC";  // three bytes
  struct Case {
    std::string name;
  } cases[] = {
      {"a.pcd"},
      {std::string(229, 'n') + ".ply"},
      {std::string(230, 'n') + ".ply"},
      {std::string(kMaxNameBytes - 4, 'n') + ".pcd"},
      {[&] {
        std::string name;
        while (name.size() + euro.size() <= kMaxNameBytes) name += euro;
        return name;
      }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    TempFolder folder;
    const std::string temporary = WholeFileTemporaryPath(folder.Path(c.name));
    const std::string entry = temporary.substr(temporary.rfind('/') + 1);
    EXPECT_LE(entry.size(), kMaxNameBytes);
    // ".<a prefix of the name>.tmp<pid>-<n>", cut between characters.
    const std::string kept = entry.substr(1, entry.rfind(".tmp") - 1);
    EXPECT_EQ(c.name.compare(0, kept.size(), kept), 0);
    if (kept.size() < c.name.size()) {
      EXPECT_NE(static_cast<unsigned char>(c.name[kept.size()]) & 0xC0, 0x80);
    }
    ASSERT_TRUE(WriteWholeFile(folder.Path(c.name), "x", 1));
    EXPECT_EQ(ReadFile(folder.Path(c.name)), "x");
    EXPECT_EQ(testing::ListFolder(folder.path()).size(), 1u);
  }
}

}  // namespace
}  // namespace kelvara
