#include "common/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kelvara {
namespace {

std::string FromEnv(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return {};
  std::string s(v);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

thread_local std::string g_problem;

bool Refuse(int error, const std::string& problem) {
  g_problem = problem;
  errno = error;
  return false;
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Creates one directory level with mode 0700 when missing. Refuses a path
// that is not a directory (a symbolic link included), that belongs to
// someone else, or that others may write to: whoever can write there can
// replace the socket or the port entries.
bool EnsurePrivateDir(const std::string& path) {
  g_problem.clear();
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    return Refuse(errno, "cannot create " + path + ": " + std::strerror(errno));
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return Refuse(errno, "cannot use " + path + ": " + std::strerror(errno));
  if (!S_ISDIR(st.st_mode))
    return Refuse(ENOTDIR, path + " is not a directory; remove it, or set KELVARA_RUNTIME_DIR to another place");
  if (st.st_uid != geteuid())
    return Refuse(EPERM, path + " belongs to another user (uid " + std::to_string(st.st_uid) +
                             "); remove it, or set KELVARA_RUNTIME_DIR to a directory of your own");
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return Refuse(EACCES, path + " may be written by other users (mode " + Octal(st.st_mode) +
                              "); make it private with: chmod 700 " + path);
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

bool IsPrivateDir(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string RuntimeDirProblem() { return g_problem.empty() ? std::strerror(errno) : g_problem; }

std::string ViewerSocketPath() { return RuntimeDirPath() + "/mypipe"; }

std::string InstanceLockPath() { return RuntimeDirPath() + "/D0C54F0E-BE35-451A-95FB-0119E7BFF998.lock"; }

}  // namespace kelvara
