// The simulated camera, request by request (no terminal).
#include "camsim/sim_camera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camsim/pattern_frames.h"
#include "camsim/pattern_scene.h"

namespace kelvara {
namespace camsim {
namespace {

using Bytes = std::vector<unsigned char>;
using std::chrono::milliseconds;

class SimCameraTest : public ::testing::Test {
 protected:
  SimCameraTest() : t0_(Clock::now()), camera_(scene_, t0_) {}

  Reply Send(uint8_t code, Bytes payload = {}, milliseconds at = milliseconds(0)) {
    return camera_.Handle({code, payload}, t0_ + at);
  }
  Bytes Get(uint8_t code) {
    Reply r = Send(code);
    EXPECT_EQ(r.status, 0) << int(code);
    return r.payload;
  }

  PatternFrames scene_;
  Clock::time_point t0_;
  SimCamera camera_;
};

TEST_F(SimCameraTest, StartsWithThePowerOnSettings) {
  EXPECT_EQ(Get(CMD_GET_FORMAT), (Bytes{0x00, 0x00}));
  EXPECT_EQ(Get(CMD_GET_MODE), (Bytes{0}));
  EXPECT_EQ(Get(CMD_GET_EXPOSURE), (Bytes{0x01, 0xA9, 0, 0, 0, 0, 0}));  // 425 us, limiter 0
  EXPECT_EQ(Get(CMD_GET_AMP_MIN_ALL), (Bytes{1}));
  EXPECT_EQ(Get(CMD_GET_AMP_MIN_NEAR), (Bytes{3}));
  EXPECT_EQ(Get(CMD_GET_ROTATION), (Bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Get(CMD_GET_LED_FREQ_ID), (Bytes{8}));
  EXPECT_EQ(Get(CMD_GET_PILOT_LED), (Bytes{1}));
  EXPECT_EQ(Get(CMD_GET_RESPONSE_SPEED), (Bytes{16, 0, 0}));
  EXPECT_EQ(Get(CMD_GET_ENR_THRESHOLD), (Bytes{0, 0}));
  EXPECT_EQ(Get(CMD_GET_VERSION), pattern::VersionPayload());
}

// Every set command: boundary values are taken and read back unchanged by
// the get command; refused values answer a non-zero status and change
// nothing.
TEST_F(SimCameraTest, SetCommandsValidateEveryField) {
  const struct {
    uint8_t set;
    std::vector<Bytes> accepted;
    std::vector<Bytes> refused;
  } kCases[] = {
      {CMD_SET_FORMAT,
       {{0x01, 0xFF}, {0x00, 0x01}, {0x00, 0x02}, {0x01, 0x00}, {0x01, 0x01}, {0x01, 0x02}, {0x00, 0x00}},
       {{0x00, 0x03}, {0x02, 0x00}, {0xFF, 0xFF}, {0x01}, {0x00, 0x00, 0x00}, {}}},
      {CMD_SET_MODE, {{1}, {0}}, {{2}, {255}, {}, {0, 0}}},
      // Normal mode: 170..5312 us; limiter 0..20; the middle fields echo.
      {CMD_SET_EXPOSURE,
       {{0x00, 0xAA, 1, 2, 3, 4, 0}, {0x14, 0xC0, 0, 0, 0, 0, 20}, {0x01, 0xA9, 0, 0, 0, 0, 5}},
       {{0x00, 0xA9, 0, 0, 0, 0, 0},
        {0x14, 0xC1, 0, 0, 0, 0, 0},
        {0x01, 0xA9, 0, 0, 0, 0, 21},
        {0xFF, 0xFF, 0, 0, 0, 0, 0},
        {0x01, 0xA9, 0, 0, 0, 0},
        {}}},
      {CMD_SET_ROTATION,
       {{0, 0, 0x01, 0x67, 0, 90}, {0x01, 0x67, 0x01, 0x67, 0x01, 0x67}},
       {{0x01, 0x68, 0, 0, 0, 0}, {0, 0, 0, 0, 0x01, 0x68}, {0xFF, 0xFF, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
      {CMD_SET_LED_FREQ_ID, {{0}, {16}}, {{17}, {}, {1, 1}}},
      {CMD_SET_AMP_MIN_ALL, {{0}, {200}}, {{201}, {255}, {}}},
      {CMD_SET_AMP_MIN_NEAR, {{0}, {200}}, {{201}, {}}},
      {CMD_SET_PILOT_LED, {{0}, {1}}, {{2}, {}}},
      {CMD_SET_RESPONSE_SPEED,
       {{1, 0, 0}, {2, 0x27, 0x10}, {4, 0, 1}, {8, 0, 0}, {16, 0x13, 0x88}},
       {{3, 0, 0}, {0, 0, 0}, {32, 0, 0}, {16, 0x27, 0x11}, {16, 0xFF, 0xFF}, {16, 0}}},
      {CMD_SET_ENR_THRESHOLD, {{0, 0}, {0x30, 0xD3}}, {{0x30, 0xD4}, {0xFF, 0xFF}, {0}}},
  };
  for (const auto& c : kCases) {
    const uint8_t get = static_cast<uint8_t>(c.set + 1);
    for (const Bytes& v : c.accepted) {
      EXPECT_EQ(Send(c.set, v).status, 0) << std::hex << int(c.set);
      EXPECT_EQ(Get(get), v) << std::hex << int(c.set);
    }
    const Bytes before = Get(get);
    for (const Bytes& v : c.refused) {
      EXPECT_NE(Send(c.set, v).status, 0) << std::hex << int(c.set) << " size " << v.size();
      EXPECT_EQ(Get(get), before) << std::hex << int(c.set);
    }
  }
}

TEST_F(SimCameraTest, ExposureRangeFollowsTheMode) {
  // High speed takes 20..10000 us.
  ASSERT_EQ(Send(CMD_SET_MODE, {1}).status, 0);
  EXPECT_EQ(Send(CMD_SET_EXPOSURE, {0x00, 0x14, 0, 0, 0, 0, 0}).status, 0);
  EXPECT_NE(Send(CMD_SET_EXPOSURE, {0x00, 0x13, 0, 0, 0, 0, 0}).status, 0);
  EXPECT_EQ(Send(CMD_SET_EXPOSURE, {0x27, 0x10, 0, 0, 0, 0, 0}).status, 0);
  EXPECT_NE(Send(CMD_SET_EXPOSURE, {0x27, 0x11, 0, 0, 0, 0, 0}).status, 0);
  // Back to Normal: 10000 us is out of its range and follows to 5312.
  ASSERT_EQ(Send(CMD_SET_MODE, {0}).status, 0);
  EXPECT_EQ(Get(CMD_GET_EXPOSURE)[0], 0x14);
  EXPECT_EQ(Get(CMD_GET_EXPOSURE)[1], 0xC0);
}

TEST_F(SimCameraTest, ResultsOnlyWhileMeasuringInTheCurrentFormat) {
  EXPECT_NE(Send(CMD_GET_RESULT, {0}).status, 0);
  EXPECT_EQ(Send(CMD_START_MEASUREMENT).status, 0);
  EXPECT_EQ(Send(CMD_START_MEASUREMENT).status, 0) << "starting twice is harmless";
  for (int index = 0; index < kFormatCount; ++index) {
    const uint16_t code = kFormatCodes[index];
    ASSERT_EQ(Send(CMD_SET_FORMAT, {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)}).status,
              0);
    const Reply r = Send(CMD_GET_RESULT, {0});
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.size(), 614656u);
    EXPECT_TRUE(r.is_frame);
    const std::vector<unsigned char> expected = pattern::Frame(index);
    EXPECT_EQ(0, std::memcmp(r.bulk, expected.data(), expected.size())) << index;
  }
  EXPECT_EQ(Send(CMD_STOP_MEASUREMENT).status, 0);
  EXPECT_EQ(Send(CMD_STOP_MEASUREMENT).status, 0);
  EXPECT_NE(Send(CMD_GET_RESULT, {0}).status, 0);
}

TEST_F(SimCameraTest, AngleTableAndVersion) {
  const Reply r = Send(CMD_GET_ANGLE_TABLE);
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(r.size(), 307200u);
  EXPECT_FALSE(r.is_frame);
  EXPECT_EQ(0, std::memcmp(r.bulk, pattern::AngleTable().data(), 307200));
}

TEST_F(SimCameraTest, TemperaturesNeedTheAccessCode) {
  const Bytes code(kTemperatureAccessCode, kTemperatureAccessCode + 8);
  Reply r = Send(CMD_GET_IMAGER_TEMPERATURE, code);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.payload, (Bytes{0x01, 0x5E, 0x01, 0x60, 0x01, 0x62, 0x01, 0x64}));  // 350..356
  r = Send(CMD_GET_LED_TEMPERATURE, code);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.payload, (Bytes{0x01, 0x2C}));  // 300
  Bytes wrong = code;
  wrong[7] = 'n';
  Bytes longer = code;
  longer.push_back(0);
  for (const Bytes& bad : {Bytes{}, wrong, longer, Bytes(code.begin(), code.end() - 1)}) {
    EXPECT_NE(Send(CMD_GET_IMAGER_TEMPERATURE, bad).status, 0);
    EXPECT_NE(Send(CMD_GET_LED_TEMPERATURE, bad).status, 0);
    EXPECT_TRUE(Send(CMD_GET_LED_TEMPERATURE, bad).payload.empty());
  }
}

TEST_F(SimCameraTest, UnknownCodesAreRefused) {
  for (int code : {0x01, 0x7F, 0x83, 0x8C, 0x8D, 0x9B, 0xD5, 0xD8, 0xFC, 0xFE, 0xFF}) {
    const Reply r = Send(static_cast<uint8_t>(code));
    EXPECT_NE(r.status, 0) << code;
    EXPECT_EQ(r.size(), 0u) << code;
  }
}

TEST_F(SimCameraTest, FrameRateLimiterSpacesResults) {
  ASSERT_EQ(Send(CMD_START_MEASUREMENT).status, 0);
  // 10 frames per second: one every 100 ms, the first at once.
  ASSERT_EQ(Send(CMD_SET_EXPOSURE, {0x01, 0xA9, 0, 0, 0, 0, 10}).status, 0);
  EXPECT_EQ(Send(CMD_GET_RESULT, {0}, milliseconds(0)).send_at, t0_);
  EXPECT_EQ(Send(CMD_GET_RESULT, {0}, milliseconds(10)).send_at, t0_ + milliseconds(100));
  EXPECT_EQ(Send(CMD_GET_RESULT, {0}, milliseconds(350)).send_at, t0_ + milliseconds(350));
  // 1 frame per second, asked at once: held past the client's 1000 ms
  // receive, into its next one.
  ASSERT_EQ(Send(CMD_SET_EXPOSURE, {0x01, 0xA9, 0, 0, 0, 0, 1}).status, 0);
  EXPECT_EQ(Send(CMD_GET_RESULT, {0}, milliseconds(360)).send_at, t0_ + milliseconds(360 + 1050));
  // No limit: at once.
  ASSERT_EQ(Send(CMD_SET_EXPOSURE, {0x01, 0xA9, 0, 0, 0, 0, 0}).status, 0);
  EXPECT_EQ(Send(CMD_GET_RESULT, {0}, milliseconds(1500)).send_at, t0_ + milliseconds(1500));
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
