// The client's profile file: the sections and keys the client reads, and a
// section and key named by the input itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/profile_store.h"
#include "fuzz/fuzz_file_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvara;
  IniSetFilePath(fuzzing::FileWith(data, size));
  std::string text;
  int number = 0;
  IniReadString("Connection", "Port", "", &text);
  IniReadInt("Logging", "TotalNumberOfLogs", 10, &number);
  IniReadInt("View", "RangeMax", 6250, &number);
  // The first line's text names one more section and key ("section=key").
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::string first = all.substr(0, all.find('\n'));
  const size_t equals = first.find('=');
  if (equals != std::string::npos) {
    IniReadString(first.substr(0, equals), first.substr(equals + 1), "x", &text);
    ParseLeadingInt(text);
  }
  ParseLeadingInt(all.substr(0, 64));
  return 0;
}
