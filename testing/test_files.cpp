#include "testing/test_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace kelvara {
namespace testing {
namespace {

// Calls `visit` with the relative path of every regular file below `root`.
template <typename Visit>
void WalkFiles(const std::string& root, const std::string& sub, const Visit& visit) {
  for (const std::string& name : ListFolder(root + "/" + sub)) {
    const std::string relative = sub.empty() ? name : sub + "/" + name;
    struct stat st {};
    if (::lstat((root + "/" + relative).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) WalkFiles(root, relative, visit);
    else if (S_ISREG(st.st_mode)) visit(relative);
  }
}

}  // namespace

std::string ReadFile(const std::string& path) {
  std::string bytes;
  ReadFileIfThere(path, &bytes);
  return bytes;
}

bool ReadFileIfThere(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *bytes = s.str();
  return true;
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::set<std::string> ListFolder(const std::string& path) {
  std::set<std::string> names;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* e = ::readdir(dir))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    ::closedir(dir);
  }
  return names;
}

std::set<std::string> FilesUnder(const std::string& root) {
  std::set<std::string> files;
  WalkFiles(root, "", [&](const std::string& relative) { files.insert(relative); });
  return files;
}

std::map<std::string, std::string> ReadTree(const std::string& root) {
  std::map<std::string, std::string> files;
  WalkFiles(root, "", [&](const std::string& relative) { files[relative] = ReadFile(root + "/" + relative); });
  return files;
}

}  // namespace testing
}  // namespace kelvara
