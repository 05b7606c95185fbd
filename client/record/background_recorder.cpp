#include "record/background_recorder.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

namespace kelvara {

BackgroundRecorder::BackgroundRecorder(recording::RecordingWriter& writer, size_t buffers)
    : writer_(writer), buffers_left_(buffers < 1 ? 1 : buffers) {
  // Half the buffers waiting: the recorder is falling behind.
  const size_t behind = std::max<size_t>(1, (buffers_left_ + 1) / 2);
  thread_ = std::thread([this, behind] { Run(behind); });
}

BackgroundRecorder::~BackgroundRecorder() { Finish(); }

void BackgroundRecorder::Append(recording::RecordKind kind, int64_t time_ns, const unsigned char* payload,
                                size_t size) {
  Item item;
  item.kind = kind;
  item.time_ns = time_ns;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !spare_.empty() || buffers_left_ > 0; });
    if (!spare_.empty()) {
      item.bytes = std::move(spare_.back());
      spare_.pop_back();
    } else {
      --buffers_left_;
    }
  }
  item.bytes.assign(payload, payload + size);  // the copy, outside the lock
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.push_back(std::move(item));
  }
  changed_.notify_all();
}

namespace {

// Switches the calling thread between the idle class (it runs only when a
// core would otherwise be idle) and the normal one.
void SetIdle(bool idle) {
  sched_param none{};
  pthread_setschedparam(pthread_self(), idle ? SCHED_IDLE : SCHED_OTHER, &none);
}

}  // namespace

void BackgroundRecorder::Run(size_t behind) {
  // The writing runs in the gaps the measurement loop leaves: the loop waits
  // on the link most of the time, and a recorder competing with it for the
  // CPU delays every frame. Once `behind` buffers are waiting, the recorder
  // competes as usual again, so that a busy machine cannot starve it and
  // make Append wait.
  bool idle = true;
  SetIdle(true);
  for (;;) {
    Item item;
    size_t waiting = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !queued_.empty() || finishing_; });
      if (queued_.empty()) return;
      item = std::move(queued_.front());
      queued_.pop_front();
      waiting = queued_.size();
    }
    if (idle != (waiting < behind)) {
      idle = !idle;
      SetIdle(idle);
    }
    writer_.Append(item.kind, item.time_ns, item.bytes.data(), static_cast<uint32_t>(item.bytes.size()));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      spare_.push_back(std::move(item.bytes));
    }
    changed_.notify_all();
  }
}

void BackgroundRecorder::Finish() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

}  // namespace kelvara
