#include "config/updater_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

extern char** environ;

namespace kelvara {

int SpawnAndWait(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (std::string& a : copy) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> UpdaterArguments(const std::string& program_folder, const std::string& port_digits) {
  return {program_folder + "Brenvik", port_digits, TableFilePath(program_folder), "0x10000000"};
}

UploadDecision DecideUpload(const std::string& program_folder, const std::string& marker_folder) {
  if (access(UploadMarkerPath(marker_folder).c_str(), F_OK) == 0) return UploadDecision::kNone;
  if (access(TableFilePath(program_folder).c_str(), F_OK) == 0) return UploadDecision::kUpload;
  return UploadDecision::kNone;
}

bool UploadTable(const std::vector<std::string>& argv, const std::string& marker_folder, const ProgramRunner& runner,
                 int attempts) {
  for (int i = 0; i < attempts; ++i) {
    if (runner(argv) == 0) {
      const int fd = open(UploadMarkerPath(marker_folder).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      if (fd >= 0) close(fd);
      return true;
    }
  }
  return false;
}

}  // namespace kelvara
