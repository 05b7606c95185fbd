// Stands in for Orvinel in tests of the viewer launch. Writes what it was
// started with to $FAKE_VIEWER_LOG (argument count and values, where its
// standard output goes, its other open descriptors, whether it leads its
// own session), then waits to be ended. With FAKE_VIEWER_IGNORE_TERM set it
// ignores SIGTERM; otherwise SIGTERM ends it with status 0.
#include <dirent.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
void ExitCleanly(int) { _exit(0); }
}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("FAKE_VIEWER_IGNORE_TERM")) {
    std::signal(SIGTERM, SIG_IGN);
  } else {
    std::signal(SIGTERM, ExitCleanly);
  }
  const char* log_path = std::getenv("FAKE_VIEWER_LOG");
  if (log_path) {
    std::string log = "argc " + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i) log += std::string("arg ") + argv[i] + "\n";
    char target[256] = {0};
    ssize_t n = readlink("/proc/self/fd/1", target, sizeof(target) - 1);
    log += "stdout " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0) + "\n";
    int extra = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
      while (dirent* e = readdir(dir)) {
        int fd = std::atoi(e->d_name);
        if (e->d_name[0] != '.' && fd > 2 && fd != dirfd(dir)) ++extra;
      }
      closedir(dir);
    }
    log += "extra_fds " + std::to_string(extra) + "\n";
    log += std::string("session_leader ") + (getsid(0) == getpid() ? "1" : "0") + "\n";
    // Written whole under another name, then renamed: the test never reads half.
    std::string tmp = std::string(log_path) + ".tmp";
    if (FILE* f = std::fopen(tmp.c_str(), "w")) {
      std::fputs(log.c_str(), f);
      std::fclose(f);
      std::rename(tmp.c_str(), log_path);
    }
  }
  for (;;) pause();
}
