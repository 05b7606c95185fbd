// The six C functions of libUART.so over one SerialPort.
#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "uart/UART.h"
#include "uart/port_names.h"
#include "uart/serial_port.h"

namespace {

// One port per process. Every call holds the lock for its whole run, so that
// a com_close from another thread waits for a receive in progress instead of
// pulling the device away under it.
std::mutex g_mutex;
kelvara::uart::SerialPort g_port;

}  // namespace

extern "C" {

void com_close(void) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_port.Close();
}

int com_getActive(signed char* list, int capacity) {
  if (list == nullptr || capacity <= 0) return 0;
  const std::vector<int> ports = kelvara::uart::ListPorts();
  const int n = std::min(capacity, static_cast<int>(ports.size()));
  for (int i = 0; i < n; ++i) list[i] = static_cast<signed char>(ports[i]);
  return n;
}

int com_init(int port, int baud) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_port.Close();
  const std::string path = kelvara::uart::PortDevicePath(port);
  if (path.empty()) {
    errno = ENOENT;
    return 0;
  }
  return g_port.Open(path, baud) ? 1 : 0;
}

void com_clear(void) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_port.Flush();
}

int Qor_UartSendCommand(int code, int length, const unsigned char* payload) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_port.Send(code, length, payload);
}

int Qor_UartReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_port.Receive(timeout_ms, capacity, buffer);
}

}  // extern "C"
