// The camera's responses as the client's command set reads them: the input
// is a command selector and the bytes the serial library hands over, cut
// into receive calls at the capacity the client offers.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "link/camera_link.h"
#include "link/command_exchange.h"
#include "link/device_commands.h"
#include "link/serial_library.h"

namespace {

using namespace kelvara;

class FuzzedSerial : public SerialLibrary {
 public:
  void Reset(const uint8_t* data, size_t size) {
    data_ = data;
    left_ = size;
  }
  void Close() override {}
  int GetActive(signed char*, int) override { return 0; }
  int Init(int, int) override { return 1; }
  void Clear() override {}
  int SendCommand(int, int length, const unsigned char*) override { return length + 4; }
  int ReceiveSync(int, int capacity, unsigned char* buffer) override {
    if (left_ == 0 || capacity <= 0) return 0;
    // The first byte of each chunk says how much of the rest this call gets
    // (255: as much as fits), so that short and split replies are reached.
    const size_t wanted = data_[0] == 255 ? left_ - 1 : data_[0];
    ++data_;
    --left_;
    const size_t n = std::min({wanted, left_, static_cast<size_t>(capacity)});
    std::memcpy(buffer, data_, n);
    data_ += n;
    left_ -= n;
    return static_cast<int>(n);
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t left_ = 0;
};

void NoPause(int) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // One link for the whole run: its receive buffer is 4 MiB.
  static FuzzedSerial serial;
  static CameraLink link(serial, NoPause);
  serial.Reset(data + 1, size - 1);
  unsigned char status = 0;
  switch (data[0] % 12) {
    case 0: {
      VersionReply v;
      link.GetVersion(&status, &v);
      break;
    }
    case 1: {
      std::vector<unsigned char> frame;
      if (link.GetResult(&status, &frame) == 0 && status == 0 && !frame.empty()) {
        volatile unsigned char sink = frame[0];
        (void)sink;
      }
      break;
    }
    case 2: {
      uint16_t code = 0;
      link.GetFormat(&status, &code);
      break;
    }
    case 3: {
      ExposureRecord r;
      link.GetExposure(&status, &r);
      break;
    }
    case 4: {
      RotationRecord r;
      link.GetRotation(&status, &r);
      break;
    }
    case 5: {
      ThetaPhiTable t;
      link.GetAngleTable(&status, &t);
      break;
    }
    case 6: {
      ResponseSpeedRecord r;
      link.GetResponseSpeed(&status, &r);
      break;
    }
    case 7: {
      ImagerTemperatures t;
      link.GetImagerTemperature(&status, &t);
      break;
    }
    case 8: {
      int16_t t = 0;
      link.GetLedTemperature(&status, &t);
      break;
    }
    case 9: {
      int v = 0;
      link.GetMode(&status, &v);
      link.GetLedFreqId(&status, &v);
      link.GetAmpMinAll(&status, &v);
      link.GetAmpMinNear(&status, &v);
      link.GetPilotLed(&status, &v);
      link.GetEnrThreshold(&status, &v);
      break;
    }
    case 10:
      link.StartMeasurement(&status);
      link.StopMeasurement(&status);
      link.SetFormat(0x0001, &status);
      break;
    default: {
      uint32_t length = 0;
      const unsigned char* payload = nullptr;
      if (link.ReceiveResponse(1000, &status, &length, &payload) == 0 && payload != nullptr && length > 0) {
        volatile unsigned char sink = payload[length - 1];
        (void)sink;
      }
      break;
    }
  }
  return 0;
}
