#include "logging/run_destination.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvara {
namespace {

constexpr size_t kNameLimit = 255;  // bytes of one file name (NAME_MAX)

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int Digits(int n) {
  int digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

std::string CleanFolderText(const std::string& typed) {
  size_t begin = 0, end = typed.size();
  while (begin < end && IsSpace(typed[begin])) ++begin;
  while (end > begin && IsSpace(typed[end - 1])) --end;
  return typed.substr(begin, end - begin);
}

std::string RefuseDestination(const std::string& folder, const std::string& base, int total) {
  if (folder.empty()) return "Choose a folder for the log files first: the folder field is empty.";
  if (std::any_of(folder.begin(), folder.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
    return "The folder must be one line without line breaks. [ " + folder + " ]";
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return "The folder does not exist. [ " + folder + " ]";
  if (access(folder.c_str(), W_OK | X_OK) != 0)
    return std::string("Cannot write into the folder: ") + std::strerror(errno) + ". [ " + folder + " ]";
  // The longest name a run writes: "<base>_body_<number>.raw", the number
  // with at least four digits.
  const size_t longest = base.size() + std::strlen("_body_") + static_cast<size_t>(std::max(4, Digits(total))) + 4;
  if (longest > kNameLimit) {
    return "The file name is too long: the log files' names would have " + std::to_string(longest) +
           " characters, at most " + std::to_string(kNameLimit) + " are possible. [ " + base + " ]";
  }
  return std::string();
}

std::vector<std::string> ExistingRunFiles(const std::string& folder, const std::string& base, size_t limit) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  const std::string numbered = base + "_", settings = base + ".txt";
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (StartsWith(name, numbered) || name == settings) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  if (names.size() > limit) names.resize(limit);
  return names;
}

std::string OverwriteQuestion(const std::string& folder, const std::vector<std::string>& existing) {
  std::string text = "The folder " + folder + " already holds " + std::to_string(existing.size()) +
                     (existing.size() == 1 ? " file" : " files") + " of this name";
  if (!existing.empty()) text += " (" + existing.front() + (existing.size() > 1 ? ", ..." : "") + ")";
  return text + ". Overwrite them?";
}

}  // namespace kelvara
