#include "status/status_texts.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(StatusTextsTest, Connection) {
  const VersionReply version{1, 0, 5, 42};
  EXPECT_EQ(ConnectionText(LinkState::kConnected, "COM9", version), "COM9 - server 1.0.5.00000042");
  EXPECT_EQ(ConnectionText(LinkState::kNotConnected, "COM9", version), "Not connected");
  EXPECT_EQ(ConnectionText(LinkState::kLost, "COM9", version), "Connection lost");
}

TEST(StatusTextsTest, CountersByKindAndDashesBeforeTheFirstRun) {
  FrameHealth health;
  health.frames_received = 120;
  health.no_response = 1;
  health.wrong_start_byte = 2;
  health.length_mismatch = 3;
  health.other_failures = 4;
  health.frames_logged = 100;
  const HealthTexts texts = FrameHealthTexts(health, true);
  EXPECT_EQ(texts.received, "Received 120");
  EXPECT_EQ(texts.lost, "Lost 10");
  EXPECT_EQ(texts.logged, "Logged 100");
  EXPECT_EQ(texts.lost_tooltip,
            "Frames lost by kind:\nNo response: 1\nWrong start byte: 2\nLength mismatch: 3\nOther failures: 4");
  const HealthTexts none = FrameHealthTexts(FrameHealth(), false);
  EXPECT_EQ(none.received + "|" + none.lost + "|" + none.logged, "Received -|Lost -|Logged -");
}

TEST(StatusTextsTest, RunEndedLineSaysWhereTheFramesWent) {
  FrameHealth health;
  health.frames_received = 12;
  health.no_response = 2;
  EXPECT_EQ(RunEndedLine(health, "/data/run_*"), "Run ended: 12 frames received, 2 lost; none logged");
  health.frames_logged = 10;
  EXPECT_EQ(RunEndedLine(health, "/data/run_*"), "Run ended: 12 frames received, 2 lost; 10 logged to /data/run_*");
  FrameHealth single;  // a picture
  single.frames_received = 1;
  EXPECT_EQ(RunEndedLine(single, "/data/run_*"), "Run ended: 1 frame received, 0 lost; none logged");
}

TEST(StatusTextsTest, RecordedFramesAndSize) {
  struct Case {
    int64_t frames, bytes;
    bool any;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, false, "Recorded --"},
      {0, 120, true, "Recorded 0 frames, 0.0 MB"},
      {1, 614700, true, "Recorded 1 frame, 0.6 MB"},
      {120, 73801000, true, "Recorded 120 frames, 73.8 MB"},
  };
  for (const Case& c : cases) EXPECT_EQ(RecordedText(c.frames, c.bytes, c.any), c.text);
  EXPECT_EQ(RecordingEndedLine(2, "/d/r.kvrec"), "Recording ended: 2 frames in /d/r.kvrec");
}

}  // namespace
}  // namespace kelvara
