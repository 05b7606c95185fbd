// Every camera command, through the client's typed operations, against the
// simulator's pattern scene over a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "camsim/pattern_scene.h"
#include "link/camera_link.h"
#include "tests/sim_link/sim_link_fixture.h"

namespace kelvara {
namespace {

int16_t Le(const unsigned char* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

class CommandsTest : public SimLinkTest {
 protected:
  void SetUp() override {
    SimLinkTest::SetUp();
    StartSim({"--scene", "pattern"});
  }
};

TEST_F(CommandsTest, VersionAngleTableAndTemperatures) {
  unsigned char status = 0xFF;
  VersionReply v;
  ASSERT_EQ(link_.GetVersion(&status, &v), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(v.major, 1);
  EXPECT_EQ(v.minor, 0);
  EXPECT_EQ(v.revision, 5);
  EXPECT_EQ(v.build, 42u);

  ThetaPhiTable t;
  ASSERT_EQ(link_.GetAngleTable(&status, &t), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(t.theta.size(), 76800u);
  ASSERT_EQ(t.phi.size(), 76800u);
  // T = 12 (|r - 119| + |c - 159|) but for the two pixels without an angle;
  // P = pixel index mod 65536.
  EXPECT_EQ(t.theta[119 * 320 + 159], 0);
  EXPECT_EQ(t.theta[119 * 320 + 160], 12);
  EXPECT_EQ(t.theta[10 * 320 + 300], 12 * (109 + 141));
  EXPECT_EQ(t.theta[0], 0xF000);
  EXPECT_EQ(t.theta[76799], 4096);
  EXPECT_EQ(t.phi[70000], 70000 - 65536);
  EXPECT_EQ(t.phi[1234], 1234);

  ImagerTemperatures chips;
  ASSERT_EQ(link_.GetImagerTemperature(&status, &chips), 0);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(chips.values[0], 350);
  EXPECT_EQ(chips.values[1], 352);
  EXPECT_EQ(chips.values[2], 354);
  EXPECT_EQ(chips.values[3], 356);
  int16_t led = 0;
  ASSERT_EQ(link_.GetLedTemperature(&status, &led), 0);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(led, 300);

  // Without the access code, or with an unknown command: refused.
  uint32_t length = 0;
  const unsigned char wrong[8] = {'w', '4', 'r', '7', 'X', 'p', '2', 'N'};
  ASSERT_EQ(link_.ExecuteCommand(CMD_GET_IMAGER_TEMPERATURE, 8, wrong, 500, &status, &length), 0);
  EXPECT_NE(status, 0);
  ASSERT_EQ(link_.ExecuteCommand(CMD_GET_LED_TEMPERATURE, 0, nullptr, 500, &status, &length), 0);
  EXPECT_NE(status, 0);
  ASSERT_EQ(link_.ExecuteCommand(0x42, 0, nullptr, 500, &status, &length), 0);
  EXPECT_NE(status, 0);
  EXPECT_EQ(g_pauses, 0);
}

TEST_F(CommandsTest, ResultFramesInEveryFormatOnlyWhileMeasuring) {
  unsigned char status = 0;
  std::vector<unsigned char> bytes;
  const unsigned char* frame = nullptr;
  ASSERT_EQ(link_.StopMeasurement(&status), 0);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(link_.GetResult(&status, &bytes), 0);
  EXPECT_NE(status, 0) << "no result without a measurement";

  ASSERT_EQ(link_.StartMeasurement(&status), 0);
  ASSERT_EQ(status, 0);
  for (int index = 0; index < kFormatCount; ++index) {
    ASSERT_EQ(link_.SetFormat(kFormatCodes[index], &status), 0);
    ASSERT_EQ(status, 0);
    uint16_t code = 0;
    ASSERT_EQ(link_.GetFormat(&status, &code), 0);
    EXPECT_EQ(code, kFormatCodes[index]);
    ASSERT_EQ(link_.GetResult(&status, &bytes), 0) << index;
    ASSERT_EQ(status, 0);
    ASSERT_EQ(bytes.size(), static_cast<size_t>(kMeasurementFrameBytes));
    frame = bytes.data();
    const std::vector<unsigned char> expected = pattern::Frame(index);
    EXPECT_EQ(0, std::memcmp(frame, expected.data(), expected.size())) << index;
    // A few values straight from the pattern's formulas.
    if (index == 0 || index == 1 || index == 4) {
      const int r = 200, c = 100;
      EXPECT_EQ(Le(frame + 2 * (r * 320 + c)), index == 0 ? (r + 2 * c) % 256 : 400 + 16 * r + c);
      EXPECT_EQ(Le(frame + 153600 + 2 * (r * 320 + c)), (r + 2 * c) % 256);
      EXPECT_EQ(Le(frame + 2 * (5 * 320 + 1)), index == 0 ? 511 : 31000);
      EXPECT_EQ(frame[307200 + 1000], (307200 + 1000) % 251);
    } else {
      EXPECT_EQ(0, std::memcmp(frame, "# .PCD v0.7 - Point Cloud Data          \nVERSION 0.7\n", 53));
      const int r = 10, c = 20;
      const unsigned char* rec = frame + 170 + 6 * (r * 320 + c);
      EXPECT_EQ(Le(rec), c - 160);
      EXPECT_EQ(Le(rec + 2), 120 - r);
      EXPECT_EQ(Le(rec + 4), 400 + 16 * r + c);
      EXPECT_EQ(Le(frame + 170 + 6 * (5 * 320 + 7)), 3);
      EXPECT_EQ(Le(frame + 460970 + 2 * (r * 320 + c)), (r + 2 * c) % 256);
      EXPECT_EQ(frame[614655], 0);
    }
  }
  ASSERT_EQ(link_.StopMeasurement(&status), 0);
  ASSERT_EQ(link_.GetResult(&status, &bytes), 0);
  EXPECT_NE(status, 0);
  EXPECT_EQ(g_pauses, 0);
}

TEST_F(CommandsTest, ParametersStartAsDocumentedAndKeepWhatIsSet) {
  unsigned char status = 0xFF;
  int v = -1;
  ExposureRecord e;
  RotationRecord rot;
  ResponseSpeedRecord speed;
  ASSERT_EQ(link_.GetMode(&status, &v), 0);
  EXPECT_EQ(v, 0);
  ASSERT_EQ(link_.GetExposure(&status, &e), 0);
  EXPECT_EQ(e.exposure_us, 425);
  EXPECT_EQ(e.frame_rate_limiter, 0);
  ASSERT_EQ(link_.GetAmpMinAll(&status, &v), 0);
  EXPECT_EQ(v, 1);
  ASSERT_EQ(link_.GetAmpMinNear(&status, &v), 0);
  EXPECT_EQ(v, 3);
  ASSERT_EQ(link_.GetLedFreqId(&status, &v), 0);
  EXPECT_EQ(v, 8);
  ASSERT_EQ(link_.GetPilotLed(&status, &v), 0);
  EXPECT_EQ(v, 1);
  ASSERT_EQ(link_.GetResponseSpeed(&status, &speed), 0);
  EXPECT_EQ(speed.data_size_kb, 16);
  EXPECT_EQ(speed.interval_us, 0);

  // Every set command with a new value, read back by its get command.
  ASSERT_EQ(link_.SetMode(1, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetExposure({9000, 12}, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetRotation({10, 200, 359}, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetLedFreqId(16, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetAmpMinAll(200, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetAmpMinNear(0, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetPilotLed(0, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetResponseSpeed({4, 10000}, &status), 0);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(link_.SetEnrThreshold(12499, &status), 0);
  ASSERT_EQ(status, 0);

  ASSERT_EQ(link_.GetMode(&status, &v), 0);
  EXPECT_EQ(v, 1);
  ASSERT_EQ(link_.GetExposure(&status, &e), 0);
  EXPECT_EQ(e.exposure_us, 9000);
  EXPECT_EQ(e.frame_rate_limiter, 12);
  ASSERT_EQ(link_.GetRotation(&status, &rot), 0);
  EXPECT_EQ(rot.x, 10);
  EXPECT_EQ(rot.y, 200);
  EXPECT_EQ(rot.z, 359);
  ASSERT_EQ(link_.GetLedFreqId(&status, &v), 0);
  EXPECT_EQ(v, 16);
  ASSERT_EQ(link_.GetAmpMinAll(&status, &v), 0);
  EXPECT_EQ(v, 200);
  ASSERT_EQ(link_.GetAmpMinNear(&status, &v), 0);
  EXPECT_EQ(v, 0);
  ASSERT_EQ(link_.GetPilotLed(&status, &v), 0);
  EXPECT_EQ(v, 0);
  ASSERT_EQ(link_.GetResponseSpeed(&status, &speed), 0);
  EXPECT_EQ(speed.data_size_kb, 4);
  EXPECT_EQ(speed.interval_us, 10000);
  ASSERT_EQ(link_.GetEnrThreshold(&status, &v), 0);
  EXPECT_EQ(v, 12499);

  // Refused values: non-zero status, the camera keeps what it had.
  ASSERT_EQ(link_.SetFormat(0x0003, &status), 0);
  EXPECT_NE(status, 0);
  ASSERT_EQ(link_.SetExposure({10001, 0}, &status), 0);
  EXPECT_NE(status, 0);
  ASSERT_EQ(link_.SetRotation({360, 0, 0}, &status), 0);
  EXPECT_NE(status, 0);
  ASSERT_EQ(link_.SetResponseSpeed({3, 0}, &status), 0);
  EXPECT_NE(status, 0);
  ASSERT_EQ(link_.SetEnrThreshold(12500, &status), 0);
  EXPECT_NE(status, 0);
  uint16_t code = 0xFFFF;
  ASSERT_EQ(link_.GetFormat(&status, &code), 0);
  EXPECT_EQ(code, 0x0000);
  ASSERT_EQ(link_.GetExposure(&status, &e), 0);
  EXPECT_EQ(e.exposure_us, 9000);
  ASSERT_EQ(link_.GetRotation(&status, &rot), 0);
  EXPECT_EQ(rot.x, 10);
  ASSERT_EQ(link_.GetResponseSpeed(&status, &speed), 0);
  EXPECT_EQ(speed.data_size_kb, 4);
  ASSERT_EQ(link_.GetEnrThreshold(&status, &v), 0);
  EXPECT_EQ(v, 12499);
}

}  // namespace
}  // namespace kelvara
