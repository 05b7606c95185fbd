#pragma once
// A temporary program folder (ending in '/') with the profile pointed at
// it, removed again at the end (GUI tests).
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/profile_store.h"

namespace kelvara {
namespace testing {

class TempProgramFolder {
 public:
  TempProgramFolder() {
    char name[] = "/tmp/kelvara-folder-XXXXXX";
    path_ = std::string(mkdtemp(name)) + "/";
    IniSetFilePath(path_ + "Kelvara.ini");
  }
  ~TempProgramFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string ini() const { return path_ + "Kelvara.ini"; }

 private:
  std::string path_;
};

}  // namespace testing
}  // namespace kelvara
