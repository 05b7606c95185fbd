#include "shell/client_paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/runtime_dir.h"
#include "feed3d/angle_refresh.h"
#include "feed3d/feed3d_paths.h"

namespace kelvara {
namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

// Creates `path` and its missing parents.
bool MakeFolders(const std::string& path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      const std::string part = path.substr(0, pos);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

}  // namespace

ClientPaths ResolveClientPaths(const PathInputs& in) {
  ClientPaths p;
  p.program_folder = FolderOf(in.executable);
  const std::string ini_name = BaseName(in.executable) + ".ini";
  if (in.folder_writable) {
    p.profile_path = p.program_folder + ini_name;
    p.data_folder = p.program_folder;
    return p;
  }
  const std::string config = !in.config_home.empty() ? in.config_home : in.home + "/.config";
  p.profile_path = config + "/kelvara/" + ini_name;
  p.data_folder = in.runtime_dir + "/";
  return p;
}

PathInputs CurrentPathInputs() {
  PathInputs in;
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  in.executable = n > 0 ? std::string(path, static_cast<size_t>(n)) : "./Kelvara";
  in.folder_writable = access(FolderOf(in.executable).c_str(), W_OK) == 0;
  if (const char* v = std::getenv("XDG_CONFIG_HOME")) in.config_home = v;
  if (const char* v = std::getenv("HOME")) in.home = v;
  in.runtime_dir = in.folder_writable ? RuntimeDirPath() : EnsureRuntimeDir();
  return in;
}

bool PrepareClientFolders(const ClientPaths& paths) {
  bool ok = MakeFolders(FolderOf(paths.profile_path));
  ok = MakeFolders(ThreeDDataFolder(paths.data_folder)) && ok;
  if (paths.data_folder != paths.program_folder && access(FallbackAngleFilePath(paths.data_folder).c_str(), F_OK) != 0)
    CopyFileReplacing(FallbackAngleFilePath(paths.program_folder), FallbackAngleFilePath(paths.data_folder));
  return ok;
}

}  // namespace kelvara
