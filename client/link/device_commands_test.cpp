#include "link/camera_link.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "link/testing/scripted_link_test.h"
#include "link/testing/scripted_serial.h"

namespace kelvara {
namespace {

using Bytes = std::vector<unsigned char>;

using CommandTest = ScriptedLinkTest;

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
      {"version", [this](unsigned char* s) { return link.GetVersion(s, nullptr); }, 0x00, {}, 500},
      {"start", [this](unsigned char* s) { return link.StartMeasurement(s); }, 0x80, {}, 1000},
      {"stop", [this](unsigned char* s) { return link.StopMeasurement(s); }, 0x81, {}, 1000},
      {"result", [this](unsigned char* s) { return link.GetResult(s, nullptr); }, 0x82, {0x00}, 1000},
      {"set format", [this](unsigned char* s) { return link.SetFormat(0x0102, s); }, 0x84, {0x01, 0x02}, 1000},
      {"get format", [this](unsigned char* s) { return link.GetFormat(s, nullptr); }, 0x85, {}, 500},
      {"set mode", [this](unsigned char* s) { return link.SetMode(1, s); }, 0x86, {0x01}, 1000},
      {"get mode", [this](unsigned char* s) { return link.GetMode(s, nullptr); }, 0x87, {}, 500},
      {"set exposure",
       [this](unsigned char* s) {
         return link.SetExposure({425, 15}, s);
       },
       0x88,
       {0x01, 0xA9, 0, 0, 0, 0, 0x0F},
       500},
      {"get exposure", [this](unsigned char* s) { return link.GetExposure(s, nullptr); }, 0x89, {}, 500},
      {"set rotation",
       [this](unsigned char* s) {
         return link.SetRotation({1, 300, 359}, s);
       },
       0x8A,
       {0x00, 0x01, 0x01, 0x2C, 0x01, 0x67},
       500},
      {"get rotation", [this](unsigned char* s) { return link.GetRotation(s, nullptr); }, 0x8B, {}, 500},
      {"set led id", [this](unsigned char* s) { return link.SetLedFreqId(16, s); }, 0x8E, {16}, 500},
      {"get led id", [this](unsigned char* s) { return link.GetLedFreqId(s, nullptr); }, 0x8F, {}, 500},
      {"set amp all", [this](unsigned char* s) { return link.SetAmpMinAll(200, s); }, 0x90, {200}, 500},
      {"get amp all", [this](unsigned char* s) { return link.GetAmpMinAll(s, nullptr); }, 0x91, {}, 500},
      {"set amp near", [this](unsigned char* s) { return link.SetAmpMinNear(3, s); }, 0x92, {3}, 500},
      {"get amp near", [this](unsigned char* s) { return link.GetAmpMinNear(s, nullptr); }, 0x93, {}, 500},
      {"angle table", [this](unsigned char* s) { return link.GetAngleTable(s, nullptr); }, 0x94, {}, 1000},
      {"set pilot", [this](unsigned char* s) { return link.SetPilotLed(1, s); }, 0x95, {1}, 500},
      {"get pilot", [this](unsigned char* s) { return link.GetPilotLed(s, nullptr); }, 0x96, {}, 500},
      {"set speed",
       [this](unsigned char* s) {
         return link.SetResponseSpeed({8, 10000}, s);
       },
       0x97,
       {8, 0x27, 0x10},
       500},
      {"get speed", [this](unsigned char* s) { return link.GetResponseSpeed(s, nullptr); }, 0x98, {}, 500},
      {"set enr", [this](unsigned char* s) { return link.SetEnrThreshold(12499, s); }, 0x99, {0x30, 0xD3}, 500},
      {"get enr", [this](unsigned char* s) { return link.GetEnrThreshold(s, nullptr); }, 0x9A, {}, 500},
      {"imager temp",
       [this](unsigned char* s) { return link.GetImagerTemperature(s, nullptr); },
       0xD6,
       {'W', '4', 'r', '7', 'X', 'p', '2', 'N'},
       500},
      {"led temp",
       [this](unsigned char* s) { return link.GetLedTemperature(s, nullptr); },
       0xD7,
       {'W', '4', 'r', '7', 'X', 'p', '2', 'N'},
       500},
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
  ASSERT_EQ(link.GetVersion(&status, &v), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(v.major, 1);
  EXPECT_EQ(v.minor, 0);
  EXPECT_EQ(v.revision, 5);
  EXPECT_EQ(v.build, 42u);

  Bytes eleven = {'Q', 'O', 'R', '-', '1', 'A', 'B', 'C', 'D', 'E', 'F', 2, 3, 4, 0x12, 0x34, 0x56, 0x78};
  serial.QueueResponse(0, eleven);
  ASSERT_EQ(link.GetVersion(&status, &v), 0);
  EXPECT_EQ(v.major, 2);
  EXPECT_EQ(v.minor, 3);
  EXPECT_EQ(v.revision, 4);
  EXPECT_EQ(v.build, 0x12345678u);

  // Too short for the block its identification implies: nothing decoded.
  twelve.pop_back();
  serial.QueueResponse(0, twelve);
  VersionReply untouched;
  EXPECT_EQ(link.GetVersion(&status, &untouched), CMD_ERR_LENGTH);
  EXPECT_EQ(untouched.build, 0u);
}

TEST_F(CommandTest, ParameterRepliesDecodeBigEndianSignedAndUnsignedBytes) {
  serial.QueueResponse(0, {0x01, 0x02});
  uint16_t code = 0;
  ASSERT_EQ(link.GetFormat(&status, &code), 0);
  EXPECT_EQ(code, 0x0102);
  EXPECT_EQ(FormatIndexOfCode(code), 6);
  EXPECT_EQ(FormatIndexOfCode(0x1234), -1);

  serial.QueueResponse(0, {0x01, 0xA9, 0x12, 0x34, 0x56, 0x78, 0x0F});
  ExposureRecord e;
  ASSERT_EQ(link.GetExposure(&status, &e), 0);
  EXPECT_EQ(e.exposure_us, 425);
  EXPECT_EQ(e.frame_rate_limiter, 15);

  serial.QueueResponse(0, {200});
  int amp = 0;
  ASSERT_EQ(link.GetAmpMinAll(&status, &amp), 0);
  EXPECT_EQ(amp, 200);

  serial.QueueResponse(0, {0x00, 0x01, 0x01, 0x2C, 0x01, 0x67});
  RotationRecord r;
  ASSERT_EQ(link.GetRotation(&status, &r), 0);
  EXPECT_EQ(r.x, 1);
  EXPECT_EQ(r.y, 300);
  EXPECT_EQ(r.z, 359);

  serial.QueueResponse(0, {16, 0x27, 0x10});
  ResponseSpeedRecord rs;
  ASSERT_EQ(link.GetResponseSpeed(&status, &rs), 0);
  EXPECT_EQ(rs.data_size_kb, 16);
  EXPECT_EQ(rs.interval_us, 10000);

  serial.QueueResponse(0, {0x30, 0xD3});
  int enr = 0;
  ASSERT_EQ(link.GetEnrThreshold(&status, &enr), 0);
  EXPECT_EQ(enr, 12499);

  serial.QueueResponse(0, {0xFF, 0x38, 0x01, 0x5E, 0x00, 0x00, 0x80, 0x00});
  ImagerTemperatures t;
  ASSERT_EQ(link.GetImagerTemperature(&status, &t), 0);
  EXPECT_EQ(t.values[0], -200);
  EXPECT_EQ(t.values[1], 350);
  EXPECT_EQ(t.values[2], 0);
  EXPECT_EQ(t.values[3], -32768);

  serial.QueueResponse(0, {0x01, 0x2C});
  int16_t led = 0;
  ASSERT_EQ(link.GetLedTemperature(&status, &led), 0);
  EXPECT_EQ(led, 300);
}

TEST_F(CommandTest, RefusedOrShortRepliesLeaveOutputsUntouched) {
  int mode = 77;
  serial.QueueResponse(4, {1});
  EXPECT_EQ(link.GetMode(&status, &mode), 0);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(mode, 77);

  serial.QueueResponse(0, {});
  EXPECT_EQ(link.GetMode(&status, &mode), CMD_ERR_LENGTH);
  EXPECT_EQ(mode, 77);

  ExposureRecord e{1, 2};
  serial.QueueResponse(0, {0x01, 0xA9, 0, 0, 0, 0});
  EXPECT_EQ(link.GetExposure(&status, &e), CMD_ERR_LENGTH);
  EXPECT_EQ(e.exposure_us, 1);

  serial.QueueReply({0xFF, 0, 0, 0, 0, 1, 5});
  EXPECT_EQ(link.GetMode(&status, &mode), CMD_ERR_START_BYTE);
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
  ASSERT_EQ(link.GetAngleTable(&status, &t), 0);
  ASSERT_EQ(t.theta.size(), static_cast<size_t>(kPixelCount));
  ASSERT_EQ(t.phi.size(), static_cast<size_t>(kPixelCount));
  for (int i : {0, 1, 38239, 76799}) {
    EXPECT_EQ(t.theta[i], (i * 7) & 0xFFFF) << i;
    EXPECT_EQ(t.phi[i], (i * 13 + 1) & 0xFFFF) << i;
  }

  table.resize(kThetaPhiTableBytes - 1);
  serial.QueueResponse(0, table);
  ThetaPhiTable short_table;
  EXPECT_EQ(link.GetAngleTable(&status, &short_table), CMD_ERR_LENGTH);
  EXPECT_TRUE(short_table.theta.empty());
}

TEST_F(CommandTest, ResultCopiesTheFrameOutAndRefusesAShortOne) {
  Bytes frame(kMeasurementFrameBytes);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<unsigned char>(i % 251);
  serial.QueueResponse(0, frame);
  Bytes got;
  ASSERT_EQ(link.GetResult(&status, &got), 0);
  EXPECT_EQ(got, frame);

  // The caller's copy survives the next exchange on the link.
  serial.QueueResponse(0, Bytes(64, 0x77));
  uint32_t n = 0;
  ASSERT_EQ(link.ExecuteCommand(CMD_GET_VERSION, 0, nullptr, 500, &status, &n), 0);
  EXPECT_EQ(got, frame);

  frame.resize(614000);
  serial.QueueResponse(0, frame);
  Bytes untouched = {1, 2, 3};
  EXPECT_EQ(link.GetResult(&status, &untouched), CMD_ERR_LENGTH);
  EXPECT_EQ(untouched, (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace kelvara
