#pragma once
// The one seam through which the client reaches the serial library. The
// production binding calls libUART.so; tests install a scripted fake.

namespace kelvara {

class SerialLibrary {
 public:
  virtual ~SerialLibrary() = default;
  virtual void Close() = 0;                                        // com_close
  virtual int GetActive(signed char* list, int capacity) = 0;      // com_getActive
  virtual int Init(int port, int baud) = 0;                        // com_init
  virtual void Clear() = 0;                                        // com_clear
  virtual int SendCommand(int code, int length, const unsigned char* payload) = 0;
  virtual int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) = 0;
};

// The library in use: the installed one, or the libUART.so binding.
SerialLibrary& ActiveSerialLibrary();

// Installs a replacement (tests); nullptr restores the libUART.so binding.
// Not thread-safe: call it while nothing talks to the camera.
void SetSerialLibrary(SerialLibrary* library);

}  // namespace kelvara
