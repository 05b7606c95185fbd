#include "link/serial_library.h"

#include "uart/UART.h"

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

}  // namespace

SerialLibrary& UartSerialLibrary() {
  static UartLibrary uart;
  return uart;
}

}  // namespace kelvara
