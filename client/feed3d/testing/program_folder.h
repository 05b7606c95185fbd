#pragma once
// Test helpers: a private program folder with its "3d_data" folder, file
// reading and writing, and waiting for a condition.
#include <sys/stat.h>
#include <string>

#include "testing/await.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace testing {

class TempProgramFolder {
 public:
  TempProgramFolder() : folder_("kelvara-3d"), path_(folder_.path() + "/") { mkdir((path_ + "3d_data").c_str(), 0700); }
  // Ends in '/', like the client's program folder.
  const std::string& path() const { return path_; }

 private:
  TempFolder folder_;
  std::string path_;
};

}  // namespace testing
}  // namespace kelvara
