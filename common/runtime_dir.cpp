#include "runtime_dir.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvara {
namespace {

std::string FromEnv(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return {};
  std::string s(v);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

// Creates one directory level with mode 0700 when missing; refuses a path
// that is not a directory or that belongs to someone else.
bool EnsurePrivateDir(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  if (st.st_uid != geteuid()) {
    errno = EPERM;
    return false;
  }
  return true;
}

}  // namespace

std::string RuntimeDirPath() {
  std::string dir = FromEnv("KELVARA_RUNTIME_DIR");
  if (!dir.empty()) return dir;
  std::string xdg = FromEnv("XDG_RUNTIME_DIR");
  if (!xdg.empty()) return xdg + "/kelvara";
  return "/tmp/kelvara-" + std::to_string(geteuid());
}

std::string EnsureRuntimeDir() {
  std::string dir = RuntimeDirPath();
  return EnsurePrivateDir(dir) ? dir : std::string();
}

std::string PortDirPath() {
  std::string dir = FromEnv("KELVARA_PORT_DIR");
  if (!dir.empty()) return dir;
  return RuntimeDirPath() + "/ports";
}

std::string EnsurePortDir() {
  if (FromEnv("KELVARA_PORT_DIR").empty() && EnsureRuntimeDir().empty()) return {};
  std::string dir = PortDirPath();
  return EnsurePrivateDir(dir) ? dir : std::string();
}

std::string ViewerSocketPath() { return RuntimeDirPath() + "/mypipe"; }

std::string InstanceLockPath() {
  return RuntimeDirPath() + "/D0C54F0E-BE35-451A-95FB-0119E7BFF998.lock";
}

}  // namespace kelvara
