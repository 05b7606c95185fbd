// The playback control on a fake clock: what the gate lets through, when,
// and which frame the serial seam serves then.
#include "playback/playback_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kelvara {
namespace {

constexpr int64_t kMs = 1000000;

// Five frames 50 ms apart, then one 100 ms later (20 fps with a hitch).
std::vector<int64_t> Times() { return {1000 * kMs, 1050 * kMs, 1100 * kMs, 1150 * kMs, 1200 * kMs, 1300 * kMs}; }

// Passes the gate at `now` when it lets a frame through, and serves it:
// the frame served, or -1 when the gate holds.
int Serve(PlaybackControl& c, int64_t now) { return c.Decide(now).kind == Admission::kPass ? c.TakeFrame() : -1; }

struct Case {
  std::string name;
  std::function<void(PlaybackControl&)> act;  // after the first frame was shown
  std::vector<int> served;                    // by Serve at t = 0, 1, 2 ... s (far apart)
  bool paused_after;
};

TEST(PlaybackControlTest, WhatEachControlLetsThrough) {
  const Case cases[] = {
      {"paused: nothing more", [](PlaybackControl&) {}, {-1, -1}, true},
      {"step forward: one frame", [](PlaybackControl& c) { c.StepForward(); }, {1, -1}, true},
      {"step back at the first frame: none", [](PlaybackControl& c) { c.StepBack(); }, {-1}, true},
      {"seek while paused: that frame only", [](PlaybackControl& c) { c.Seek(4); }, {4, -1}, true},
      {"seek past the end: the last frame", [](PlaybackControl& c) { c.Seek(99); }, {5, -1}, true},
      {"play: to the end, then rests", [](PlaybackControl& c) { c.Play(); }, {1, 2, 3, 4, 5, -1, -1}, true},
      {"play from the shown frame", [](PlaybackControl& c) { c.PlayFromShown(); }, {0, 1, 2, 3, 4, 5, -1}, true},
      {"loop: on from the first frame",
       [](PlaybackControl& c) {
         c.SetLoop(true);
         c.Play();
       },
       {1, 2, 3, 4, 5, 0, 1},
       false},
      {"show next: one frame", [](PlaybackControl& c) { c.ShowNext(); }, {1, -1}, true},
      {"pause after play",
       [](PlaybackControl& c) {
         c.Play();
         c.Pause();
       },
       {-1},
       true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    PlaybackControl c([] { return 0; });
    c.Reset(Times());
    ASSERT_EQ(Serve(c, 0), 0);  // opening shows the first frame
    k.act(c);
    std::vector<int> served;
    for (size_t i = 0; i < k.served.size(); ++i) served.push_back(Serve(c, static_cast<int64_t>(i + 1) * 1000 * kMs));
    EXPECT_EQ(served, k.served);
    EXPECT_EQ(c.Status().paused, k.paused_after);
  }
}

TEST(PlaybackControlTest, StepsAtTheEndsOfTheRecording) {
  PlaybackControl c([] { return 0; });
  c.Reset(Times());
  ASSERT_EQ(Serve(c, 0), 0);
  c.Seek(5);
  ASSERT_EQ(Serve(c, 0), 5);
  c.StepForward();  // past the last frame without loop: nothing
  EXPECT_EQ(Serve(c, 0), -1);
  c.StepBack();
  EXPECT_EQ(Serve(c, 0), 4);
  c.StepBack();
  EXPECT_EQ(Serve(c, 0), 3);
  EXPECT_EQ(c.Status().shown, 3);
  EXPECT_EQ(c.Status().position, 4);
  EXPECT_EQ(c.Status().shown_time_ns, 150 * kMs);
  EXPECT_EQ(c.Status().length_ns, 300 * kMs);
  EXPECT_EQ(PlaybackPositionText(c.Status()), "frame 4 of 6, 0.15 s of 0.30 s");
  // Past the end, a single picture shows the last frame again.
  c.Seek(5);
  ASSERT_EQ(Serve(c, 0), 5);
  c.ShowNext();
  EXPECT_EQ(Serve(c, 0), 5);
  // Play at the end starts again from the first frame.
  c.Seek(5);
  ASSERT_EQ(Serve(c, 0), 5);
  c.Play();
  EXPECT_EQ(Serve(c, 0), 0);
}

// The worker hears once each time the last frame has been served without
// loop (a pause that comes with it included), and never with loop.
TEST(PlaybackControlTest, TheEndIsToldOnceEachTimeTheLastFrameWasServed) {
  PlaybackControl c([] { return 0; });
  c.Reset(Times());
  for (int k = 0; k < 6; ++k) {
    if (k == 1) c.Play();
    ASSERT_EQ(Serve(c, k * 1000 * kMs), k);
  }
  c.Pause();
  EXPECT_EQ(c.Decide(9000 * kMs).kind, Admission::kEnd);
  EXPECT_EQ(c.Decide(9000 * kMs).kind, Admission::kWait);
  EXPECT_TRUE(c.Status().paused);
  c.StepBack();
  ASSERT_EQ(Serve(c, 0), 4);
  EXPECT_EQ(c.Decide(0).kind, Admission::kWait);  // not at the end
  c.StepForward();
  ASSERT_EQ(Serve(c, 0), 5);
  EXPECT_EQ(c.Decide(0).kind, Admission::kEnd);
  c.SetLoop(true);
  c.StepBack();
  ASSERT_EQ(Serve(c, 0), 4);
  c.Play();
  ASSERT_EQ(Serve(c, 0), 5);
  EXPECT_EQ(Serve(c, 9000 * kMs), 0);
}

TEST(PlaybackControlTest, PacesToTheRecordedGapsTimesTheSpeed) {
  struct Pace {
    double speed;
    int64_t gap_ns;  // between frames 1 and 2 (50 ms recorded)
  };
  for (const Pace& p :
       {Pace{0.25, 200 * kMs}, Pace{0.5, 100 * kMs}, Pace{1, 50 * kMs}, Pace{2, 25 * kMs}, Pace{4, 12500000}}) {
    SCOPED_TRACE(p.speed);
    PlaybackControl c([] { return 0; });
    c.Reset(Times());
    ASSERT_EQ(Serve(c, 0), 0);
    c.SetSpeed(p.speed);
    c.Play();
    ASSERT_EQ(Serve(c, 0), 1);  // at once after play
    const Admission wait = c.Decide(1);
    ASSERT_EQ(wait.kind, Admission::kWaitUntil);
    EXPECT_EQ(wait.until_ns, p.gap_ns);
    EXPECT_EQ(Serve(c, p.gap_ns - 1), -1);
    EXPECT_EQ(Serve(c, p.gap_ns), 2);
    // The next gap counts from when frame 2 was due, not from a late pass.
    EXPECT_EQ(c.Decide(p.gap_ns + 5).until_ns, 2 * p.gap_ns);
  }
}

TEST(PlaybackControlTest, LoopingBackTakesTheMeanGap) {
  PlaybackControl c([] { return 0; });
  c.Reset(Times());
  c.SetLoop(true);
  c.Seek(5);
  c.Play();
  ASSERT_EQ(Serve(c, 0), 5);
  EXPECT_EQ(c.Decide(1).until_ns, 60 * kMs);  // 300 ms over 5 gaps
  EXPECT_EQ(Serve(c, 60 * kMs), 0);
}

TEST(PlaybackControlTest, WakeEndsAWaitForAStoppedRun) {
  PlaybackControl c;  // the steady clock
  c.Reset(Times());
  ASSERT_EQ(Serve(c, 0), 0);  // paused from now on
  std::atomic<bool> goes_on{true};
  GateResult passed = GateResult::kFrame;
  std::thread worker([&] { passed = c.AwaitFrame([&] { return goes_on.load(); }); });
  goes_on = false;
  c.Wake();
  worker.join();
  EXPECT_EQ(passed, GateResult::kStopped);
}

TEST(PlaybackControlTest, AStepLetsAWaitingWorkerThrough) {
  PlaybackControl c;
  c.Reset(Times());
  ASSERT_EQ(Serve(c, 0), 0);
  GateResult passed = GateResult::kStopped;
  std::thread worker([&] { passed = c.AwaitFrame([] { return true; }); });
  c.StepForward();
  worker.join();
  EXPECT_EQ(passed, GateResult::kFrame);
  EXPECT_EQ(c.TakeFrame(), 1);
}

TEST(PlaybackControlTest, WithoutARecordingNothingPasses) {
  PlaybackControl c([] { return 0; });
  c.Reset({});
  c.Play();
  c.StepForward();
  EXPECT_EQ(c.Decide(0).kind, Admission::kWait);
  EXPECT_EQ(c.TakeFrame(), -1);
}

}  // namespace
}  // namespace kelvara
