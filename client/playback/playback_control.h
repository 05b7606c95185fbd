#pragma once
// What a played-back recording shows next: the position (the next frame to
// serve), the frame shown last, the speed, loop and pause. The playback bar
// drives it from the user-interface thread; the measurement worker passes
// it as its frame gate before each frame request, and the recording's
// serial seam takes the frame to serve from it.
//
// Pacing: while playing, frame k follows frame k-1 after their recorded gap
// divided by the speed (after a loop back to the first frame, the mean
// gap). The first frame after a play, step or seek comes at once. At the end
// of the recording without loop the playback pauses on the last frame (the
// gate tells the worker so once); with loop it goes on with the first. Paused, a step or a seek lets exactly one
// frame through.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "measure/frame_gate.h"

namespace kelvara {

// The speeds the playback bar offers, times the recorded pacing.
constexpr double kPlaybackSpeeds[] = {0.25, 0.5, 1.0, 2.0, 4.0};

struct PlaybackStatus {
  int frames = 0;    // whole frames in the recording
  int position = 0;  // the next frame served (frames: past the end)
  int shown = -1;    // the frame served last; -1 before the first
  bool paused = true;
  bool loop = false;
  double speed = 1.0;
  int64_t shown_time_ns = 0;  // the shown frame's time after the first frame
  int64_t length_ns = 0;      // the last frame's time after the first
};

// What the gate decides at a moment.
struct Admission {
  // kEnd: the last frame has been served without loop (told once; paused).
  enum Kind { kPass, kWaitUntil, kWait, kEnd } kind = kWait;
  int64_t until_ns = 0;  // kWaitUntil: the clock's time the frame is due
};

// "frame k of N" (k counted from 1; 0 before the first) and the shown
// frame's recorded time after the first frame, "0.35 s of 0.95 s".
std::string PlaybackPositionText(const PlaybackStatus& status);

class PlaybackControl : public FrameGate {
 public:
  // `now_ns`: a monotonic clock in nanoseconds (tests pass a fake one);
  // empty: the steady clock.
  explicit PlaybackControl(std::function<int64_t()> now_ns = nullptr);

  // A new recording with these frame times (any origin, in order): paused
  // before its first frame, which comes as one step. Empty: none (the gate
  // holds every frame until the run stops).
  void Reset(std::vector<int64_t> frame_times_ns);

  // ---- The bar (any thread) ----
  void Play();           // from the position; at the end, from the first frame
  void PlayFromShown();  // serves the shown frame again, then plays on
  void Pause();
  void StepForward();  // pauses; the next frame (at the end, none; with loop, the first)
  void StepBack();     // pauses; the frame before the shown one (none before the first)
  // Pauses and lets one frame through always: the next one, or past the
  // end without loop, the last one again (a single picture).
  void ShowNext();
  void Seek(int frame);         // the next frame served is `frame` (clamped); paused: just that one
  void SetSpeed(double speed);  // > 0
  void SetLoop(bool loop);
  PlaybackStatus Status() const;

  // ---- The serial seam (the thread that talks to the camera) ----
  // The frame to serve now (the position, which moves on), or -1 when the
  // position is past the end and there is no loop.
  int TakeFrame();

  // ---- The gate ----
  GateResult AwaitFrame(const std::function<bool()>& goes_on) override;
  void Wake() override;
  // One decision at `now_ns` (AwaitFrame calls it; tests call it with a
  // fake clock): kPass takes the step or the paced slot it used.
  Admission Decide(int64_t now_ns);

 private:
  Admission DecideLocked(int64_t now_ns);
  int64_t GapLocked() const;  // before the frame at position_, at the current speed
  void ChangedLocked();

  std::function<int64_t()> now_ns_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int64_t> times_;
  int position_ = 0;
  int shown_ = -1;
  bool paused_ = true;
  bool loop_ = false;
  double speed_ = 1.0;
  int steps_ = 0;          // frames let through while paused
  bool end_told_ = false;  // the end was told since the last frame served
  bool paced_ = false;     // last_admit_ns_ is the reference of the next gap
  int64_t last_admit_ns_ = 0;
};

}  // namespace kelvara
