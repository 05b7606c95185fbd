#include "background_recorder.h"

namespace kelvara {

BackgroundRecorder::BackgroundRecorder(recording::RecordingWriter& writer, size_t buffers)
    : writer_(writer), buffers_left_(buffers < 1 ? 1 : buffers) {
  thread_ = std::thread([this] { Run(); });
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

void BackgroundRecorder::Run() {
  for (;;) {
    Item item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !queued_.empty() || finishing_; });
      if (queued_.empty()) return;
      item = std::move(queued_.front());
      queued_.pop_front();
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
