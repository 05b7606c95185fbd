#pragma once
// A private temporary folder for the log benchmarks' files.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace kelvara {

class BenchDir {
 public:
  BenchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvara-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~BenchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kelvara
