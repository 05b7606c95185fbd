#include "logging/log_names.h"

#include <cstdio>

namespace kelvara {
namespace {

std::string FourDigits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", number);
  return text;
}

// `folder` + "/" + `name`, without doubling a slash the folder ends with
// (and without any slash for an empty folder part).
std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string NumberedLogPath(const std::string& folder, const std::string& base, const char* infix, int log_number,
                            const char* extension) {
  return Join(folder, base + infix + FourDigits(log_number) + extension);
}

std::string RawLogPath(const std::string& folder, const std::string& subfolder, const std::string& base,
                       int log_number) {
  return Join(subfolder.empty() ? folder : Join(folder, subfolder), base + "_body_" + FourDigits(log_number) + ".raw");
}

std::string RunLogPath(const std::string& folder, const std::string& base, const char* suffix) {
  return Join(folder, base + suffix);
}

std::string RawSubfolderOf(int log_number) { return FourDigits(log_number / 1000); }

std::string RunBaseName(const std::string& file_name) { return file_name.empty() ? "unnamed" : file_name; }

}  // namespace kelvara
