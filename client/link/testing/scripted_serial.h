#pragma once
// A scripted stand-in for the serial library: records what the client sends
// and answers receives from a queue. Build a CameraLink over it.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/camera_link.h"
#include "link/serial_library.h"

namespace kelvara {

class ScriptedSerial : public SerialLibrary {
 public:
  struct Sent {
    int code;
    std::vector<unsigned char> payload;
  };
  struct Reply {
    std::vector<unsigned char> bytes;  // written to the buffer (up to capacity)
    int reported = -1;                 // count returned; -1 = bytes.size()
  };

  // Queue the results of the next send calls (default: length + 4).
  void QueueSendResult(int result) { send_results_.push_back(result); }
  // Queue a raw receive result.
  void QueueReply(std::vector<unsigned char> bytes, int reported = -1) {
    replies_.push_back({std::move(bytes), reported});
  }
  // Queue a well-formed response with this status and payload.
  void QueueResponse(unsigned char status, const std::vector<unsigned char>& payload = {});

  void Close() override { ++closes; }
  int GetActive(signed char*, int) override { return 0; }
  int Init(int, int) override { return 0; }
  void Clear() override { ++clears; }
  int SendCommand(int code, int length, const unsigned char* payload) override;
  int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) override;

  std::vector<Sent> sent;             // one entry per send call
  std::vector<int> receive_timeouts;  // one entry per receive call
  int clears = 0;
  int closes = 0;

 private:
  std::deque<int> send_results_;
  std::deque<Reply> replies_;
};

// Records a link's failure pauses instead of sleeping: pass Function() to
// the CameraLink.
class PauseRecorder {
 public:
  CameraLink::Pause Function() {
    return [this](int ms) { pauses_.push_back(ms); };
  }
  std::vector<int>& Pauses() { return pauses_; }

 private:
  std::vector<int> pauses_;
};

}  // namespace kelvara
