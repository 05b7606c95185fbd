#include "capture/capture_recorder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

namespace kelvara {

std::string RecordingClashWithRun(const std::string& record, const std::string& out, const std::string& name) {
  const size_t slash = record.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : record.substr(0, slash);
  const std::string file = slash == std::string::npos ? record : record.substr(slash + 1);
  if (file.compare(0, name.size() + 1, name + "_") != 0 && file != name + ".txt") return {};
  auto same_folder = [](const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  };
  // The raw files of a long run go into four-digit folders inside --out.
  const size_t base = folder.rfind('/');
  const std::string last = base == std::string::npos ? folder : folder.substr(base + 1);
  const bool thousands =
      last.size() == 4 && std::all_of(last.begin(), last.end(), [](char c) { return std::isdigit(c) != 0; });
  if (!same_folder(folder, out) && !(thousands && same_folder(folder + "/..", out))) return {};
  return "--record " + record + ": this run's log files (" + name + "_... and " + name + ".txt in " + out +
         ") could overwrite it; choose another name or folder";
}

}  // namespace kelvara
