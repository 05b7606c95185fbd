// Brenvik: uploads the camera's table file.
//   Brenvik <port number> <table file> <address>
// Exit status: see ExitStatus. Every failure prints one line on stderr; one
// of the port says why the serial library could not open it.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "common/serial_access.h"
#include "uart/UART.h"
#include "updater/table_file.h"
#include "updater/table_upload.h"
#include "updater/upload_protocol.h"

namespace {

enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 1,     // bad command line
  kExitNoPort = 2,    // no such port, or it cannot be opened
  kExitNoTable = 3,   // no usable table file
  kExitNoAnswer = 4,  // no answer from the camera
  kExitRefused = 5,   // the camera refused the table
};

const char kUsage[] =
    "Usage: Brenvik <port number> <table file> <address>\n"
    "Uploads the camera's table file over the serial port COM<port number>, as the\n"
    "client does before its first connect. The address is 0x10000000.\n"
    "\n"
    "Exit status: 0 uploaded, 1 bad command line, 2 no such port or it cannot be\n"
    "opened, 3 no usable table file, 4 no answer from the camera, 5 the camera\n"
    "refused the table.\n";

int Fail(ExitStatus status, const std::string& why) {
  std::fprintf(stderr, "Brenvik: %s\n", why.c_str());
  return status;
}

bool ParseNumber(const char* text, int base, unsigned long long max, unsigned long long* out) {
  if (text[0] == '\0' || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, base);
  if (errno != 0 || *end != '\0' || v > max) return false;
  *out = v;
  return true;
}

bool PortListed(int port) {
  signed char list[127];
  const int n = com_getActive(list, 127);
  for (int i = 0; i < n; ++i)
    if (list[i] == port) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "Brenvik")) return kExitOk;
  if (kelvara::AsksForHelp(argc, argv)) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (argc != 4) return Fail(kExitUsage, "usage: Brenvik <port number> <table file> <address, e.g. 0x10000000>");
  unsigned long long port = 0, address = 0;
  if (!ParseNumber(argv[1], 10, 127, &port) || port == 0)
    return Fail(kExitUsage, std::string("bad port number '") + argv[1] + "' (1 to 127)");
  if (!ParseNumber(argv[3], 0, 0xFFFFFFFFull, &address))
    return Fail(kExitUsage, std::string("bad address '") + argv[3] + "'");

  const std::string path = argv[2];
  std::vector<unsigned char> table;
  std::string error;
  if (!kelvara::upload::ReadTableFile(path, kelvara::upload::kMaxTableBytes, &table, &error))
    return Fail(kExitNoTable, error);

  const int n = static_cast<int>(port);
  if (com_init(n, 0) == 0) {
    const std::string cause = kelvara::SerialOpenProblem(errno);
    const std::string name = "COM" + std::to_string(n);
    return Fail(kExitNoPort, (PortListed(n) ? name + " cannot be opened: " : "no such port " + name + ": ") + cause);
  }
  const auto outcome = kelvara::upload::UploadTable(static_cast<uint32_t>(address), table);
  com_close();
  switch (outcome.result) {
    case kelvara::upload::UploadResult::kOk: return kExitOk;
    case kelvara::upload::UploadResult::kNoAnswer:
      return Fail(kExitNoAnswer, "no answer from the camera on COM" + std::to_string(n) + " (" + outcome.stage + ")");
    case kelvara::upload::UploadResult::kRefused:
      return Fail(kExitRefused, "the camera refused the table (" + outcome.stage + ")");
  }
  return kExitUsage;
}
