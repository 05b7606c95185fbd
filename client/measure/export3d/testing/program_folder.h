#pragma once
// Test helpers: a private program folder with its "3d_data" folder, file
// reading and writing, and waiting for a condition.
#include <sys/stat.h>
#include <fstream>
#include <sstream>
#include <string>

#include "await.h"
#include "temp_folder.h"

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

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testing
}  // namespace kelvara
