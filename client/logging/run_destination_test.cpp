#include "logging/run_destination.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "testing/temp_folder.h"

namespace kelvara {
namespace {

TEST(RunDestinationTest, LineBreaksAndSpacesAtTheEndsAreDropped) {
  EXPECT_EQ(CleanFolderText("  /data/logs\n"), "/data/logs");
  EXPECT_EQ(CleanFolderText("\r\n/data\nlogs \r\n"), "/data\nlogs");
  EXPECT_EQ(CleanFolderText(" \n "), "");
}

TEST(RunDestinationTest, RefusedDestinations) {
  testing::TempFolder folder("kelvara-dest");
  const std::string locked = folder.Path("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  const bool root = geteuid() == 0;  // root writes anywhere
  const struct {
    std::string folder;
    std::string base;
    int total;
    std::string message;  // empty: accepted
  } cases[] = {
      {folder.path(), "run", 10, ""},
      {"", "run", 10, "Choose a folder for the log files first: the folder field is empty."},
      {folder.path() + "\nmore", "run", 10,
       "The folder must be one line without line breaks. [ " + folder.path() + "\nmore ]"},
      {folder.Path("missing"), "run", 10, "The folder does not exist. [ " + folder.Path("missing") + " ]"},
      {locked, "run", 10, root ? "" : "Cannot write into the folder: Permission denied. [ " + locked + " ]"},
      {folder.path(), std::string(241, 'a'), 10, ""},
      {folder.path(), std::string(242, 'a'), 10,
       "The file name is too long: the log files' names would have 256 characters, at most 255 are possible. [ " +
           std::string(242, 'a') + " ]"},
      {folder.path(), std::string(239, 'a'), 999999, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RefuseDestination(c.folder, c.base, c.total), c.message) << c.folder;
}

TEST(RunDestinationTest, FilesOfTheSameNameAreFoundAndNamedInTheQuestion) {
  testing::TempFolder folder("kelvara-dest");
  for (const char* name : {"run_0000.csv", "run.txt", "run_temp.csv", "runner_0000.csv", "other.txt"})
    std::ofstream(folder.Path(name)) << "x";
  const std::vector<std::string> found = ExistingRunFiles(folder.path(), "run");
  EXPECT_EQ(found, (std::vector<std::string>{"run.txt", "run_0000.csv", "run_temp.csv"}));
  EXPECT_TRUE(ExistingRunFiles(folder.path(), "new").empty());
  EXPECT_EQ(OverwriteQuestion("/d", found),
            "The folder /d already holds 3 files of this name (run.txt, ...). Overwrite them?");
}

}  // namespace
}  // namespace kelvara
