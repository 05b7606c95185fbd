#include "device_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "scripted_serial.h"

namespace kelvara {
namespace {

using Bytes = std::vector<unsigned char>;

class CommandTest : public ::testing::Test {
 protected:
  ScriptedSerial serial;
  PauseRecorder pauses;
  unsigned char status = 0xAA;
};

// Every operation's request: code, payload (big-endian 16-bit fields) and
// receive timeout.
TEST_F(CommandTest, RequestsCarryTheirCodePayloadAndTimeout) {
  struct Case {
    const char* what;
    std::function<int(unsigned char*)> call;
    int code;
    Bytes payload;
    int timeout;
  };
  const Case cases[] = {
      {"version", [](unsigned char* s) { return GetVersion(s, nullptr); }, 0x00, {}, 500},
      {"start", [](unsigned char* s) { return StartMeasurement(s); }, 0x80, {}, 1000},
      {"stop", [](unsigned char* s) { return StopMeasurement(s); }, 0x81, {}, 1000},
      {"result", [](unsigned char* s) { return GetResult(s, nullptr); }, 0x82, {0x00}, 1000},
      {"set format", [](unsigned char* s) { return SetFormat(0x0102, s); }, 0x84, {0x01, 0x02}, 1000},
      {"get format", [](unsigned char* s) { return GetFormat(s, nullptr); }, 0x85, {}, 500},
      {"set mode", [](unsigned char* s) { return SetMode(1, s); }, 0x86, {0x01}, 1000},
      {"get mode", [](unsigned char* s) { return GetMode(s, nullptr); }, 0x87, {}, 500},
      {"set exposure", [](unsigned char* s) { return SetExposure({425, 15}, s); }, 0x88,
       {0x01, 0xA9, 0, 0, 0, 0, 0x0F}, 500},
      {"get exposure", [](unsigned char* s) { return GetExposure(s, nullptr); }, 0x89, {}, 500},
      {"set rotation", [](unsigned char* s) { return SetRotation({1, 300, 359}, s); }, 0x8A,
       {0x00, 0x01, 0x01, 0x2C, 0x01, 0x67}, 500},
      {"get rotation", [](unsigned char* s) { return GetRotation(s, nullptr); }, 0x8B, {}, 500},
      {"set led id", [](unsigned char* s) { return SetLedFreqId(16, s); }, 0x8E, {16}, 500},
      {"get led id", [](unsigned char* s) { return GetLedFreqId(s, nullptr); }, 0x8F, {}, 500},
      {"set amp all", [](unsigned char* s) { return SetAmpMinAll(200, s); }, 0x90, {200}, 500},
      {"get amp all", [](unsigned char* s) { return GetAmpMinAll(s, nullptr); }, 0x91, {}, 500},
      {"set amp near", [](unsigned char* s) { return SetAmpMinNear(3, s); }, 0x92, {3}, 500},
      {"get amp near", [](unsigned char* s) { return GetAmpMinNear(s, nullptr); }, 0x93, {}, 500},
      {"angle table", [](unsigned char* s) { return GetAngleTable(s, nullptr); }, 0x94, {}, 1000},
      {"set pilot", [](unsigned char* s) { return SetPilotLed(1, s); }, 0x95, {1}, 500},
      {"get pilot", [](unsigned char* s) { return GetPilotLed(s, nullptr); }, 0x96, {}, 500},
      {"set speed", [](unsigned char* s) { return SetResponseSpeed({8, 10000}, s); }, 0x97,
       {8, 0x27, 0x10}, 500},
      {"get speed", [](unsigned char* s) { return GetResponseSpeed(s, nullptr); }, 0x98, {}, 500},
      {"set enr", [](unsigned char* s) { return SetEnrThreshold(12499, s); }, 0x99, {0x30, 0xD3}, 500},
      {"get enr", [](unsigned char* s) { return GetEnrThreshold(s, nullptr); }, 0x9A, {}, 500},
      {"imager temp", [](unsigned char* s) { return GetImagerTemperature(s, nullptr); }, 0xD6,
       {'W', '4', 'r', '7', 'X', 'p', '2', 'N'}, 500},
      {"led temp", [](unsigned char* s) { return GetLedTemperature(s, nullptr); }, 0xD7,
       {'W', '4', 'r', '7', 'X', 'p', '2', 'N'}, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    serial.sent.clear();
    serial.receive_timeouts.clear();
    serial.QueueResponse(0);
    c.call(&status);
    ASSERT_EQ(serial.sent.size(), 1u);
    EXPECT_EQ(serial.sent[0].code, c.code);
    EXPECT_EQ(serial.sent[0].payload, c.payload);
    EXPECT_EQ(serial.receive_timeouts, std::vector<int>{c.timeout});

    // Without a place for the status nothing goes on the line.
    serial.sent.clear();
    EXPECT_EQ(c.call(nullptr), CMD_ERR_NO_STATUS);
    EXPECT_TRUE(serial.sent.empty());
  }
}

TEST_F(CommandTest, VersionBlockFollowsAnElevenOrTwelveByteIdentification) {
  Bytes twelve = {'S', 'I', 'M', '-', '0', '0', '0', '0', '0', '0', '0', '1', 1, 0, 5, 0, 0, 0, 42};
  serial.QueueResponse(0, twelve);
  VersionReply v;
  ASSERT_EQ(GetVersion(&status, &v), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(v.major, 1);
  EXPECT_EQ(v.minor, 0);
  EXPECT_EQ(v.revision, 5);
  EXPECT_EQ(v.build, 42u);

  Bytes eleven = {'Q', 'O', 'R', '-', '1', 'A', 'B', 'C', 'D', 'E', 'F', 2, 3, 4, 0x12, 0x34, 0x56, 0x78};
  serial.QueueResponse(0, eleven);
  ASSERT_EQ(GetVersion(&status, &v), 0);
  EXPECT_EQ(v.major, 2);
  EXPECT_EQ(v.minor, 3);
  EXPECT_EQ(v.revision, 4);
  EXPECT_EQ(v.build, 0x12345678u);

  // Too short for the block its identification implies: nothing decoded.
  twelve.pop_back();
  serial.QueueResponse(0, twelve);
  VersionReply untouched;
  EXPECT_EQ(GetVersion(&status, &untouched), CMD_ERR_LENGTH);
  EXPECT_EQ(untouched.build, 0u);
}

TEST_F(CommandTest, ParameterRepliesDecodeBigEndianSignedAndUnsignedBytes) {
  serial.QueueResponse(0, {0x01, 0x02});
  uint16_t code = 0;
  ASSERT_EQ(GetFormat(&status, &code), 0);
  EXPECT_EQ(code, 0x0102);
  EXPECT_EQ(FormatIndexOfCode(code), 6);
  EXPECT_EQ(FormatIndexOfCode(0x1234), -1);

  serial.QueueResponse(0, {0x01, 0xA9, 0x12, 0x34, 0x56, 0x78, 0x0F});
  ExposureRecord e;
  ASSERT_EQ(GetExposure(&status, &e), 0);
  EXPECT_EQ(e.exposure_us, 425);
  EXPECT_EQ(e.frame_rate_limiter, 15);

  serial.QueueResponse(0, {200});
  int amp = 0;
  ASSERT_EQ(GetAmpMinAll(&status, &amp), 0);
  EXPECT_EQ(amp, 200);

  serial.QueueResponse(0, {0x00, 0x01, 0x01, 0x2C, 0x01, 0x67});
  RotationRecord r;
  ASSERT_EQ(GetRotation(&status, &r), 0);
  EXPECT_EQ(r.x, 1);
  EXPECT_EQ(r.y, 300);
  EXPECT_EQ(r.z, 359);

  serial.QueueResponse(0, {16, 0x27, 0x10});
  ResponseSpeedRecord rs;
  ASSERT_EQ(GetResponseSpeed(&status, &rs), 0);
  EXPECT_EQ(rs.data_size_kb, 16);
  EXPECT_EQ(rs.interval_us, 10000);

  serial.QueueResponse(0, {0x30, 0xD3});
  int enr = 0;
  ASSERT_EQ(GetEnrThreshold(&status, &enr), 0);
  EXPECT_EQ(enr, 12499);

  serial.QueueResponse(0, {0xFF, 0x38, 0x01, 0x5E, 0x00, 0x00, 0x80, 0x00});
  ImagerTemperatures t;
  ASSERT_EQ(GetImagerTemperature(&status, &t), 0);
  EXPECT_EQ(t.values[0], -200);
  EXPECT_EQ(t.values[1], 350);
  EXPECT_EQ(t.values[2], 0);
  EXPECT_EQ(t.values[3], -32768);

  serial.QueueResponse(0, {0x01, 0x2C});
  int16_t led = 0;
  ASSERT_EQ(GetLedTemperature(&status, &led), 0);
  EXPECT_EQ(led, 300);
}

TEST_F(CommandTest, RefusedOrShortRepliesLeaveOutputsUntouched) {
  int mode = 77;
  serial.QueueResponse(4, {1});
  EXPECT_EQ(GetMode(&status, &mode), 0);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(mode, 77);

  serial.QueueResponse(0, {});
  EXPECT_EQ(GetMode(&status, &mode), CMD_ERR_LENGTH);
  EXPECT_EQ(mode, 77);

  ExposureRecord e{1, 2};
  serial.QueueResponse(0, {0x01, 0xA9, 0, 0, 0, 0});
  EXPECT_EQ(GetExposure(&status, &e), CMD_ERR_LENGTH);
  EXPECT_EQ(e.exposure_us, 1);

  serial.QueueReply({0xFF, 0, 0, 0, 0, 1, 5});
  EXPECT_EQ(GetMode(&status, &mode), CMD_ERR_START_BYTE);
  EXPECT_EQ(mode, 77);
}

TEST_F(CommandTest, AngleTableSplitsAtHalfAndReadsLittleEndian) {
  Bytes table(kThetaPhiTableBytes);
  for (int i = 0; i < kPixelCount; ++i) {
    const int theta = (i * 7) & 0xFFFF, phi = (i * 13 + 1) & 0xFFFF;
    table[2 * i] = theta & 0xFF;
    table[2 * i + 1] = theta >> 8;
    table[kPlaneBytes + 2 * i] = phi & 0xFF;
    table[kPlaneBytes + 2 * i + 1] = phi >> 8;
  }
  serial.QueueResponse(0, table);
  ThetaPhiTable t;
  ASSERT_EQ(GetAngleTable(&status, &t), 0);
  ASSERT_EQ(t.theta.size(), static_cast<size_t>(kPixelCount));
  ASSERT_EQ(t.phi.size(), static_cast<size_t>(kPixelCount));
  for (int i : {0, 1, 38239, 76799}) {
    EXPECT_EQ(t.theta[i], (i * 7) & 0xFFFF) << i;
    EXPECT_EQ(t.phi[i], (i * 13 + 1) & 0xFFFF) << i;
  }

  table.resize(kThetaPhiTableBytes - 1);
  serial.QueueResponse(0, table);
  ThetaPhiTable short_table;
  EXPECT_EQ(GetAngleTable(&status, &short_table), CMD_ERR_LENGTH);
  EXPECT_TRUE(short_table.theta.empty());
}

TEST_F(CommandTest, ResultHandsBackTheFrameInPlaceAndRefusesAShortOne) {
  Bytes frame(kMeasurementFrameBytes);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<unsigned char>(i % 251);
  serial.QueueResponse(0, frame);
  const unsigned char* got = nullptr;
  ASSERT_EQ(GetResult(&status, &got), 0);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got[-6], 0xFE) << "no copy: the frame lies in the receive buffer";
  EXPECT_EQ(got[614655], 614655 % 251);

  frame.resize(614000);
  serial.QueueResponse(0, frame);
  got = nullptr;
  EXPECT_EQ(GetResult(&status, &got), CMD_ERR_LENGTH);
  EXPECT_EQ(got, nullptr);
}

}  // namespace
}  // namespace kelvara
