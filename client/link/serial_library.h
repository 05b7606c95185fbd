#pragma once
// The one seam through which the client reaches the serial library. The
// production binding calls libUART.so; tests pass a scripted fake to the
// CameraLink they build instead.

namespace kelvara {

class SerialLibrary {
 public:
  virtual ~SerialLibrary() = default;
  virtual void Close() = 0;                                    // com_close
  virtual int GetActive(signed char* list, int capacity) = 0;  // com_getActive
  virtual int Init(int port, int baud) = 0;                    // com_init
  virtual void Clear() = 0;                                    // com_clear
  virtual int SendCommand(int code, int length, const unsigned char* payload) = 0;
  virtual int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) = 0;
};

// The libUART.so binding. The library keeps one open port per process, so
// there is one binding too; it holds no state of its own.
SerialLibrary& UartSerialLibrary();

}  // namespace kelvara
