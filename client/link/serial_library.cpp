#include "serial_library.h"

#include "UART.h"

namespace kelvara {
namespace {

class UartLibrary final : public SerialLibrary {
 public:
  void Close() override { com_close(); }
  int GetActive(signed char* list, int capacity) override { return com_getActive(list, capacity); }
  int Init(int port, int baud) override { return com_init(port, baud); }
  void Clear() override { com_clear(); }
  int SendCommand(int code, int length, const unsigned char* payload) override {
    return Qor_UartSendCommand(code, length, payload);
  }
  int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) override {
    return Qor_UartReceiveSync(timeout_ms, capacity, buffer);
  }
};

UartLibrary g_uart;
SerialLibrary* g_active = &g_uart;

}  // namespace

SerialLibrary& ActiveSerialLibrary() { return *g_active; }

void SetSerialLibrary(SerialLibrary* library) { g_active = library ? library : &g_uart; }

}  // namespace kelvara
