#include "common/program_info.h"

#include <cstdio>
#include <cstring>

namespace kelvara {

const char* KelvaraVersion() { return KELVARA_VERSION; }

std::string VersionLine(const char* program) { return std::string(program) + " " + KelvaraVersion(); }

bool AsksForVersion(int argc, const char* const* argv) { return argc >= 2 && std::strcmp(argv[1], "--version") == 0; }

bool AsksForHelp(int argc, const char* const* argv) {
  return argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
}

bool AnswerVersion(int argc, const char* const* argv, const char* program) {
  if (!AsksForVersion(argc, argv)) return false;
  std::printf("%s\n", VersionLine(program).c_str());
  return true;
}

}  // namespace kelvara
