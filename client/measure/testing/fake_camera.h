#pragma once
// A fake camera behind the serial library seam (build a CameraLink over it),
// for the measurement loop's tests and benchmarks: answers every command the loop sends from the pattern scene, can
// refuse chosen result requests (and every set command but the format
// it is in), drives a fake clock, and can hold a result
// request until the test lets it go.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "link/serial_library.h"

namespace kelvara {

class FakeCamera : public SerialLibrary {
 public:
  explicit FakeCamera(int format_index);

  // Result requests (counted from 0) that get no answer.
  void FailResults(std::set<int> which) { failing_ = std::move(which); }
  // Result requests (counted from 0) answered with a wrong start byte, or
  // with 10 bytes fewer than the header announces.
  void WrongStartByte(std::set<int> which) { wrong_start_ = std::move(which); }
  void ShortResults(std::set<int> which) { short_ = std::move(which); }
  // Refuse the start command with a non-zero status (from the n-th start on,
  // counted from 0).
  void RefuseStartFrom(int n) { refuse_start_from_ = n; }
  // Answer nothing at all (a camera that is off).
  void SetSilent(bool silent) { silent_ = silent; }
  // Each result request advances the fake clock by this much.
  void SetResultStepNs(int64_t ns) { step_ns_ = ns; }
  // The next result request blocks until Release().
  void HoldNextResult();
  void WaitUntilHeld();
  void Release();

  int64_t NowNs() const { return clock_ns_.load(); }
  std::vector<int> Codes() const;

  void Close() override {}
  // The fake camera sits on port 1.
  int GetActive(signed char* list, int capacity) override {
    if (capacity < 1) return 0;
    list[0] = 1;
    return 1;
  }
  int Init(int port, int) override { return port == 1 ? 1 : 0; }
  void Clear() override {}
  int SendCommand(int code, int length, const unsigned char* payload) override;
  int ReceiveSync(int timeout_ms, int capacity, unsigned char* buffer) override;

 private:
  void Reply(unsigned char status, const unsigned char* payload, uint32_t length);

  int format_index_;
  std::vector<unsigned char> frame_;
  std::vector<unsigned char> angle_table_;
  std::vector<unsigned char> pending_;
  std::set<int> failing_;
  std::set<int> wrong_start_;
  std::set<int> short_;
  int results_ = 0;
  int starts_ = 0;
  int refuse_start_from_ = -1;
  bool silent_ = false;
  int64_t step_ns_ = 1000000;  // 1 ms per result
  std::atomic<int64_t> clock_ns_{0};

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<int> codes_;
  bool hold_next_ = false;
  bool held_ = false;
};

}  // namespace kelvara
