#pragma once
// Test helpers: a private program folder with its "3d_data" folder, file
// reading and writing, and waiting for a condition.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace kelvara {
namespace testing {

class TempProgramFolder {
 public:
  TempProgramFolder() {
    char pattern[] = "/tmp/kelvara-3d-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = std::string(pattern) + "/";
    mkdir((path_ + "3d_data").c_str(), 0700);
  }
  ~TempProgramFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  // Ends in '/', like the client's program folder.
  const std::string& path() const { return path_; }

 private:
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

// Waits until `condition` holds; false after `limit`.
inline bool Await(const std::function<bool()>& condition,
                  std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace testing
}  // namespace kelvara
