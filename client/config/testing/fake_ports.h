#pragma once
// A serial library stand-in with a chosen port list, for the connection
// panel's tests: records opens and closes, opens only the listed ports.
#include <cerrno>
#include <vector>

#include "link/serial_library.h"

namespace kelvara {
namespace testing {

class FakePorts : public SerialLibrary {
 public:
  explicit FakePorts(std::vector<int> ports) : ports(std::move(ports)) {}

  void Close() override {
    ++closes;
    open_port = 0;
  }
  int GetActive(signed char* list, int capacity) override {
    int n = 0;
    for (int p : ports)
      if (n < capacity) list[n++] = static_cast<signed char>(p);
    return n;
  }
  int Init(int port, int) override {
    inits.push_back(port);
    for (int p : ports)
      if (p == port && !busy) {
        open_port = port;
        return 1;
      }
    errno = open_error;
    return 0;
  }
  void Clear() override {}
  int SendCommand(int, int length, const unsigned char*) override { return length + 4; }
  int ReceiveSync(int, int, unsigned char*) override { return 0; }

  std::vector<int> ports;
  std::vector<int> inits;
  int closes = 0;
  int open_port = 0;
  int open_error = EBUSY;  // errno of a failed open
  bool busy = false;
};

}  // namespace testing
}  // namespace kelvara
