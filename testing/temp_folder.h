#pragma once
// A private temporary folder for one test or benchmark.
//
//   kelvara::testing::TempFolder folder("kelvara-logs");
//   WriteSomething(folder.path() + "/a.csv");   // or folder.Path("a.csv")
//
// Made under $TMPDIR (else /tmp) with a unique name; removed with all its
// contents when the object goes, also when a test made parts of it
// read-only.
#include <string>

namespace kelvara {
namespace testing {

class TempFolder {
 public:
  // `prefix` starts the folder's name ("<prefix>-XXXXXX"). Throws
  // std::system_error when the folder cannot be made.
  explicit TempFolder(const std::string& prefix = "kelvara-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, without a trailing '/'.
  const std::string& path() const { return path_; }
  // `name` inside the folder.
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace testing
}  // namespace kelvara
