// The replayed camera: the recorded parameters and version, the frame order
// and pacing, and the format it accepts (its command line is tested with the
// simulator's other options).
#include "camsim/replay_scene.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camsim/sim_camera.h"
#include "recording/recording_writer.h"

namespace kelvara {
namespace camsim {
namespace {

class ReplaySceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/kelvara-replay-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = name;
    // Format 5, exposure 1000 us with limiter 20, rotation 1, 2, 3, a
    // temperature reading after frame 1; frames 0.1 s, then 0.3 s apart.
    recording::RecordingHeader h;
    h.format_code = 0x0101;
    h.replies = {{CMD_GET_VERSION, {'C', 'A', 'M', '-', '1', 'x', 'x', 'x', 'x', 'x', 'x', 2, 3, 4, 0, 0, 0, 9}},
                 {CMD_GET_FORMAT, {0x01, 0x01}},
                 {CMD_GET_EXPOSURE, {0x03, 0xE8, 1, 2, 3, 4, 20}},
                 {CMD_GET_ROTATION, {0, 1, 0, 2, 0, 3}},
                 {CMD_GET_RESPONSE_SPEED, {4, 0x01, 0x00}}};
    recording::RecordingWriter w;
    ASSERT_TRUE(w.Open(path_, h));
    std::vector<unsigned char> frame(kMeasurementFrameBytes);
    const int64_t times[3] = {0, 100000000, 400000000};
    for (int k = 0; k < 3; ++k) {
      frame[0] = static_cast<unsigned char>(k);
      ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, times[k], frame.data(), kMeasurementFrameBytes));
      if (k == 1) {
        const unsigned char temps[10] = {94, 1, 96, 1, 98, 1, 100, 1, 44, 1};  // 350, 352, 354, 356, 300
        ASSERT_TRUE(w.Append(recording::RecordKind::kTemperatures, times[k], temps, sizeof temps));
      }
    }
    ASSERT_TRUE(w.Close());
  }
  void TearDown() override { std::remove(path_.c_str()); }

  std::unique_ptr<ReplayScene> Open(bool loop, double fps) {
    std::string error, summary;
    auto scene = ReplayScene::Open({path_, loop, fps}, &error, &summary);
    EXPECT_TRUE(scene) << error;
    return scene;
  }
  std::string path_;
};

TEST_F(ReplaySceneTest, TheCameraAnswersAsRecorded) {
  auto scene = Open(false, -1);
  ASSERT_TRUE(scene);
  SimCamera camera(*scene, Clock::now());
  const CameraParameters& p = camera.parameters();
  EXPECT_EQ(p.format_code, 0x0101);
  EXPECT_EQ(p.exposure_us, 1000);
  EXPECT_EQ(p.frame_rate_limit, 20);
  EXPECT_EQ(p.rotation[2], 3);
  EXPECT_EQ(p.data_size_kb, 4);
  EXPECT_EQ(p.interval_us, 256);
  EXPECT_EQ(p.mode, 0);  // not recorded: the power-on value
  EXPECT_EQ(camera.Handle({CMD_GET_VERSION, {}}, Clock::now()).payload[17], 9);
  // Only the recorded format is accepted.
  EXPECT_EQ(camera.Handle({CMD_SET_FORMAT, {0x01, 0x01}}, Clock::now()).status, kStatusOk);
  EXPECT_EQ(camera.Handle({CMD_SET_FORMAT, {0x00, 0x01}}, Clock::now()).status, kStatusRefused);
  EXPECT_EQ(camera.parameters().format_code, 0x0101);
}

TEST_F(ReplaySceneTest, FramesInOrderWithTheRecordedGapsThenTheEnd) {
  auto scene = Open(false, -1);
  ASSERT_TRUE(scene);
  SimCamera camera(*scene, Clock::now());
  const auto t0 = Clock::now();
  camera.Handle({CMD_START_MEASUREMENT, {}}, t0);
  const Request result{CMD_GET_RESULT, {0}};
  Reply r0 = camera.Handle(result, t0);
  ASSERT_NE(r0.bulk, nullptr);
  EXPECT_EQ(r0.bulk[0], 0);
  EXPECT_EQ(r0.send_at, t0);
  // Asked at once, frame 1 waits for its recorded 0.1 s (not the limiter's 0.05 s).
  Reply r1 = camera.Handle(result, t0);
  ASSERT_NE(r1.bulk, nullptr);
  EXPECT_EQ(r1.bulk[0], 1);
  EXPECT_EQ(r1.send_at - t0, std::chrono::milliseconds(100));
  int16_t imager[4], led = 0;
  scene->Temperatures(0, imager, &led);
  EXPECT_EQ(imager[0], 350);
  EXPECT_EQ(led, 300);
  Reply r2 = camera.Handle(result, r1.send_at);
  ASSERT_NE(r2.bulk, nullptr);
  EXPECT_EQ(r2.bulk[0], 2);
  EXPECT_EQ(r2.send_at - r1.send_at, std::chrono::milliseconds(300));
  // No loop: the recording has ended.
  EXPECT_EQ(camera.Handle(result, r2.send_at).status, kStatusNotMeasuring);
  EXPECT_EQ(scene->frames_served(), 3u);
}

TEST_F(ReplaySceneTest, ASeekServesThatFrameNextAndTheOrderGoesOnFromIt) {
  auto scene = Open(false, 0);
  ASSERT_TRUE(scene);
  const CameraParameters p;
  const struct {
    int seek;  // -1: none
    int frame;
  } steps[] = {{2, 2}, {-1, -1}, {0, 0}, {-1, 1}, {1, 1}, {-1, 2}};
  for (const auto& step : steps) {
    if (step.seek >= 0) scene->SeekFrame(static_cast<size_t>(step.seek));
    const unsigned char* frame = scene->Frame(p, 0);
    if (step.frame < 0) {
      EXPECT_EQ(frame, nullptr);  // past the end
      continue;
    }
    ASSERT_NE(frame, nullptr) << step.seek;
    EXPECT_EQ(frame[0], step.frame);
  }
  // The temperatures recorded before the frame sought.
  scene->SeekFrame(2);
  int16_t imager[4], led = 0;
  scene->Temperatures(0, imager, &led);
  EXPECT_EQ(imager[3], 356);
  EXPECT_EQ(led, 300);
}

TEST_F(ReplaySceneTest, LoopAndFixedRates) {
  struct Case {
    double fps;
    std::chrono::milliseconds gap;  // between frame 0 and frame 1 when asked at once
  };
  for (const Case& c : {Case{0, std::chrono::milliseconds(0)}, Case{4, std::chrono::milliseconds(250)}}) {
    auto scene = Open(true, c.fps);
    ASSERT_TRUE(scene);
    SimCamera camera(*scene, Clock::now());
    const auto t0 = Clock::now();
    camera.Handle({CMD_START_MEASUREMENT, {}}, t0);
    const Request result{CMD_GET_RESULT, {0}};
    auto last = t0;
    for (int k = 0; k < 7; ++k) {
      Reply r = camera.Handle(result, last);
      ASSERT_NE(r.bulk, nullptr) << k;
      EXPECT_EQ(r.bulk[0], k % 3) << k;
      if (k > 0) {
        EXPECT_EQ(r.send_at - last, c.gap) << k;
      }
      last = r.send_at;
    }
  }
}

TEST_F(ReplaySceneTest, ARecordingWithoutFramesOrWithAnotherFrameSizeIsRefused) {
  recording::RecordingHeader h;
  h.format_code = 0x0101;
  struct Case {
    const char* what;
    std::vector<uint32_t> sizes;
  };
  for (const Case& c : {Case{"no frames", {}}, Case{"a short frame", {1000}}}) {
    recording::RecordingWriter w;
    ASSERT_TRUE(w.Open(path_, h));
    std::vector<unsigned char> bytes(kMeasurementFrameBytes);
    for (uint32_t size : c.sizes) ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, 0, bytes.data(), size));
    ASSERT_TRUE(w.Close());
    std::string error, summary;
    EXPECT_FALSE(ReplayScene::Open({path_, false, -1}, &error, &summary)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
