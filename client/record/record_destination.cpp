#include "record/record_destination.h"

#include <sys/stat.h>

#include "logging/log_names.h"
#include "logging/run_destination.h"
#include "logging/snapshot.h"

namespace kelvara {
namespace {

constexpr size_t kNameLimit = 255;  // bytes in one file name

}  // namespace

std::string RecordingPath(const std::string& folder, const std::string& file_name, std::time_t when) {
  const std::string suffix = "_" + SnapshotStamp(when) + ".kvrec";
  return RunLogPath(folder, RunBaseName(file_name), suffix.c_str());
}

std::string RefuseRecording(const std::string& folder, const std::string& file_name, const std::string& path) {
  const std::string base = RunBaseName(file_name);
  std::string refusal = RefuseDestination(folder, base, 1);
  if (!refusal.empty()) return refusal;
  const size_t slash = path.rfind('/');
  const size_t length = path.size() - (slash == std::string::npos ? 0 : slash + 1);
  if (length > kNameLimit) {
    return "The file name is too long: the recording's name would have " + std::to_string(length) +
           " characters, at most " + std::to_string(kNameLimit) + " are possible. [ " + base + " ]";
  }
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) return "The recording " + path + " exists already; it is not overwritten.";
  return std::string();
}

}  // namespace kelvara
