#pragma once
// Appends records to a recording on a thread of its own, so that the
// measurement loop pays only for a copy of each frame. Nothing is dropped:
// when every buffer is waiting to be written, Append waits for one.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "recording/recording_writer.h"

namespace kelvara {

class BackgroundRecorder {
 public:
  // `writer` is open; it is used only by the recorder's thread until Finish.
  explicit BackgroundRecorder(recording::RecordingWriter& writer, size_t buffers = 8);
  ~BackgroundRecorder();
  BackgroundRecorder(const BackgroundRecorder&) = delete;
  BackgroundRecorder& operator=(const BackgroundRecorder&) = delete;

  // Copies the record and queues it; records are written in call order.
  void Append(recording::RecordKind kind, int64_t time_ns, const unsigned char* payload, size_t size);
  // Writes everything queued and ends the thread. Called once, after the
  // last Append; the writer is the caller's again afterwards.
  void Finish();

 private:
  struct Item {
    recording::RecordKind kind = recording::RecordKind::kFrame;
    int64_t time_ns = 0;
    std::vector<unsigned char> bytes;
  };
  void Run(size_t behind);

  recording::RecordingWriter& writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queued_;                        // waiting to be written, in order
  std::vector<std::vector<unsigned char>> spare_;  // buffers to copy into
  size_t buffers_left_;                            // buffers not yet made
  bool finishing_ = false;
  std::thread thread_;
};

}  // namespace kelvara
