#pragma once
// A temporary program folder (ending in '/', with its "3d_data" folder) and
// the profile pointed at its "Kelvara.ini"; removed again at the end.
#include <sys/stat.h>

#include <string>

#include "config/profile_store.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace testing {

class TempProgramFolder {
 public:
  TempProgramFolder() : folder_("kelvara-folder"), path_(folder_.path() + "/") {
    mkdir((path_ + "3d_data").c_str(), 0700);
    IniSetFilePath(ini());
  }
  const std::string& path() const { return path_; }
  std::string ini() const { return path_ + "Kelvara.ini"; }

 private:
  TempFolder folder_;
  std::string path_;
};

}  // namespace testing
}  // namespace kelvara
