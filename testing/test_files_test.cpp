#include "testing/test_files.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "testing/temp_folder.h"

namespace kelvara {
namespace testing {
namespace {

TEST(TestFiles, ReadWhatIsOnDiskHiddenFilesAndSubfoldersIncluded) {
  TempFolder folder;
  ASSERT_EQ(mkdir(folder.Path("0000").c_str(), 0700), 0);
  WriteFile(folder.Path("a.csv"), "a\r\n");
  WriteFile(folder.Path(".a.csv.tmp1-0"), "");
  WriteFile(folder.Path("0000/b.raw"), std::string("\0\1", 2));

  EXPECT_EQ(ListFolder(folder.path()), (std::set<std::string>{".a.csv.tmp1-0", "0000", "a.csv"}));
  EXPECT_EQ(FilesUnder(folder.path()), (std::set<std::string>{".a.csv.tmp1-0", "0000/b.raw", "a.csv"}));
  const std::map<std::string, std::string> tree = ReadTree(folder.path());
  EXPECT_EQ(tree, (std::map<std::string, std::string>{
                      {".a.csv.tmp1-0", ""}, {"0000/b.raw", std::string("\0\1", 2)}, {"a.csv", "a\r\n"}}));

  std::string bytes = "untouched";
  EXPECT_FALSE(ReadFileIfThere(folder.Path("missing"), &bytes));
  EXPECT_EQ(bytes, "untouched");
  EXPECT_EQ(ReadFile(folder.Path("missing")), "");
  EXPECT_FALSE(Exists(folder.Path("missing")));
  EXPECT_TRUE(ListFolder(folder.Path("missing")).empty());
}

}  // namespace
}  // namespace testing
}  // namespace kelvara
