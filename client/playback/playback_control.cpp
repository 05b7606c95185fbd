#include "playback/playback_control.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace kelvara {
namespace {

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string PlaybackPositionText(const PlaybackStatus& s) {
  char text[96];
  std::snprintf(text, sizeof text, "frame %d of %d, %.2f s of %.2f s", s.shown + 1, s.frames,
                static_cast<double>(s.shown_time_ns) / 1e9, static_cast<double>(s.length_ns) / 1e9);
  return text;
}

PlaybackControl::PlaybackControl(std::function<int64_t()> now_ns)
    : now_ns_(now_ns ? std::move(now_ns) : std::function<int64_t()>(SteadyNs)) {}

void PlaybackControl::Reset(std::vector<int64_t> frame_times_ns) {
  std::lock_guard<std::mutex> lock(mutex_);
  times_ = std::move(frame_times_ns);
  position_ = 0;
  shown_ = -1;
  paused_ = true;
  end_told_ = false;
  steps_ = times_.empty() ? 0 : 1;
  paced_ = false;
  ChangedLocked();
}

void PlaybackControl::ChangedLocked() { changed_.notify_all(); }

void PlaybackControl::Play() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (times_.empty()) return;
  if (position_ >= static_cast<int>(times_.size())) position_ = 0;
  paused_ = false;
  steps_ = 0;
  paced_ = false;
  ChangedLocked();
}

void PlaybackControl::PlayFromShown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shown_ >= 0) position_ = shown_;
  }
  Play();
}

void PlaybackControl::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  // A step asked for still comes (playing, none is pending).
  paused_ = true;
  ChangedLocked();
}

void PlaybackControl::StepForward() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = true;
  const int n = static_cast<int>(times_.size());
  if (position_ >= n) {
    if (!loop_ || n == 0) return;
    position_ = 0;
  }
  steps_ = 1;
  paced_ = false;
  ChangedLocked();
}

void PlaybackControl::ShowNext() {
  std::lock_guard<std::mutex> lock(mutex_);
  const int n = static_cast<int>(times_.size());
  if (n == 0) return;
  paused_ = true;
  if (position_ >= n) position_ = loop_ ? 0 : n - 1;
  steps_ = 1;
  paced_ = false;
  ChangedLocked();
}

void PlaybackControl::StepBack() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = true;
  steps_ = 0;
  if (shown_ <= 0) return;
  position_ = shown_ - 1;
  steps_ = 1;
  paced_ = false;
  ChangedLocked();
}

void PlaybackControl::Seek(int frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (times_.empty()) return;
  position_ = std::clamp(frame, 0, static_cast<int>(times_.size()) - 1);
  if (paused_) steps_ = 1;
  paced_ = false;
  ChangedLocked();
}

void PlaybackControl::SetSpeed(double speed) {
  if (!(speed > 0)) return;
  std::lock_guard<std::mutex> lock(mutex_);
  speed_ = speed;
  ChangedLocked();
}

void PlaybackControl::SetLoop(bool loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  loop_ = loop;
  ChangedLocked();
}

PlaybackStatus PlaybackControl::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  PlaybackStatus s;
  s.frames = static_cast<int>(times_.size());
  s.position = position_;
  s.shown = shown_;
  s.paused = paused_;
  s.loop = loop_;
  s.speed = speed_;
  if (!times_.empty()) {
    s.length_ns = times_.back() - times_.front();
    if (shown_ >= 0) s.shown_time_ns = times_[static_cast<size_t>(shown_)] - times_.front();
  }
  return s;
}

int PlaybackControl::TakeFrame() {
  std::lock_guard<std::mutex> lock(mutex_);
  const int n = static_cast<int>(times_.size());
  if (position_ >= n) {
    if (!loop_ || n == 0) return -1;
    position_ = 0;
  }
  shown_ = position_++;
  end_told_ = false;
  return shown_;
}

int64_t PlaybackControl::GapLocked() const {
  const size_t n = times_.size();
  int64_t gap = 0;
  if (position_ > 0 && static_cast<size_t>(position_) < n) {
    gap = times_[static_cast<size_t>(position_)] - times_[static_cast<size_t>(position_) - 1];
  } else if (n >= 2) {
    gap = (times_.back() - times_.front()) / static_cast<int64_t>(n - 1);  // back to the first frame
  }
  return gap > 0 ? static_cast<int64_t>(static_cast<double>(gap) / speed_) : 0;
}

Admission PlaybackControl::Decide(int64_t now_ns) {
  std::lock_guard<std::mutex> lock(mutex_);
  return DecideLocked(now_ns);
}

Admission PlaybackControl::DecideLocked(int64_t now_ns) {
  Admission a;
  const int n = static_cast<int>(times_.size());
  if (n == 0) return a;
  if (steps_ > 0) {
    --steps_;
    paced_ = false;
    a.kind = Admission::kPass;
    return a;
  }
  if (position_ >= n && !loop_) {
    // Rests on the last frame; the worker hears of it once, even when a
    // pause came at the same time.
    paused_ = true;
    if (!end_told_) {
      end_told_ = true;
      a.kind = Admission::kEnd;
    }
    return a;
  }
  if (paused_) return a;
  if (position_ >= n) position_ = 0;
  if (paced_) {
    const int64_t due = last_admit_ns_ + GapLocked();
    if (now_ns < due) {
      a.kind = Admission::kWaitUntil;
      a.until_ns = due;
      return a;
    }
    // On time: the next gap counts from when this frame was due, so the
    // rate holds; late by more than a gap: from now.
    last_admit_ns_ = now_ns - due < GapLocked() ? due : now_ns;
  } else {
    last_admit_ns_ = now_ns;
    paced_ = true;
  }
  a.kind = Admission::kPass;
  return a;
}

GateResult PlaybackControl::AwaitFrame(const std::function<bool()>& goes_on) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (!goes_on()) return GateResult::kStopped;
    const int64_t now = now_ns_();
    const Admission a = DecideLocked(now);
    if (a.kind == Admission::kPass) return GateResult::kFrame;
    if (a.kind == Admission::kEnd) return GateResult::kEnded;
    if (a.kind == Admission::kWaitUntil) {
      changed_.wait_for(lock, std::chrono::nanoseconds(a.until_ns - now));
    } else {
      changed_.wait(lock);
    }
  }
}

void PlaybackControl::Wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  ChangedLocked();
}

}  // namespace kelvara
