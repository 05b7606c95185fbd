#include "link/camera_link.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/testing/scripted_link_test.h"
#include "link/testing/scripted_serial.h"

namespace kelvara {
namespace {

using Bytes = std::vector<unsigned char>;

class ExchangeTest : public ScriptedLinkTest {
 protected:
  uint32_t length = 0xAAAAAAAA;
  const unsigned char* payload = nullptr;

  int Receive() { return link.ReceiveResponse(1000, &status, &length, &payload); }
};

TEST_F(ExchangeTest, SendRetriesUpToElevenAttemptsEachAfterAClear) {
  for (int i = 0; i < 10; ++i) serial.QueueSendResult(3);
  EXPECT_EQ(link.SendCommand(0x85, 2, Bytes{1, 2}.data()), 0);
  EXPECT_EQ(serial.sent.size(), 11u);
  EXPECT_EQ(serial.clears, 11);

  ScriptedSerial fresh;
  CameraLink fresh_link(fresh, pauses.Function());
  for (int i = 0; i < 11; ++i) fresh.QueueSendResult(i == 5 ? -1 : 5);
  uint32_t len = 0;
  EXPECT_EQ(fresh_link.ExecuteCommand(0x85, 0, nullptr, 500, &status, &len), CMD_ERR_SEND);
  EXPECT_EQ(fresh.sent.size(), 11u);
  EXPECT_TRUE(fresh.receive_timeouts.empty()) << "no receive after a failed send";
  EXPECT_TRUE(pauses.Pauses().empty()) << "send retries do not pause";
}

TEST_F(ExchangeTest, ReceiveRetriesShortReadsThenSucceeds) {
  for (int i = 0; i < 10; ++i) serial.QueueReply(Bytes{0xFE, 0, 0, 0, 0});
  serial.QueueResponse(0, {9, 8, 7});
  ASSERT_EQ(Receive(), 0);
  EXPECT_EQ(serial.receive_timeouts, std::vector<int>(11, 1000));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(Bytes(payload, payload + 3), (Bytes{9, 8, 7}));
  EXPECT_EQ(serial.clears, 0) << "no com_clear between receive calls";
  EXPECT_TRUE(pauses.Pauses().empty());
}

TEST_F(ExchangeTest, ElevenShortReadsMeanNoResponseAfterAPause) {
  for (int i = 0; i < 11; ++i) serial.QueueReply(Bytes{0xFE}, i % 2 ? -1 : 5);
  serial.QueueResponse(0);  // a 12th call would succeed: it must not happen
  EXPECT_EQ(Receive(), CMD_ERR_NO_RESPONSE);
  EXPECT_EQ(serial.receive_timeouts.size(), 11u);
  EXPECT_EQ(pauses.Pauses(), std::vector<int>{300});
  EXPECT_EQ(status, 0xAA);
}

TEST_F(ExchangeTest, HeaderOnlyResponseIsAnEmptySuccess) {
  serial.QueueReply(Bytes{0xFE, 0, 0, 0, 0, 0});
  ASSERT_EQ(Receive(), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(length, 0u);
  ASSERT_NE(payload, nullptr);
  EXPECT_EQ(payload[-6], 0xFE) << "payload points at byte 6 of the receive buffer";
}

// Each link has its own receive buffer: a reply on one link leaves a payload
// handed out by another as it was.
TEST_F(ExchangeTest, LinksDoNotShareTheirReceiveBuffer) {
  serial.QueueResponse(0, {1, 2, 3});
  ASSERT_EQ(Receive(), 0);
  ScriptedSerial other_serial;
  CameraLink other(other_serial, pauses.Function());
  other_serial.QueueResponse(0, {9, 9, 9});
  const unsigned char* other_payload = nullptr;
  ASSERT_EQ(other.ReceiveResponse(500, &status, &length, &other_payload), 0);
  EXPECT_NE(other_payload, payload);
  EXPECT_EQ(Bytes(payload, payload + 3), (Bytes{1, 2, 3}));
}

TEST_F(ExchangeTest, WrongStartByteWritesNoOutputs) {
  serial.QueueReply(Bytes{0xFF, 0, 0, 0, 0, 0});
  EXPECT_EQ(Receive(), CMD_ERR_START_BYTE);
  EXPECT_EQ(status, 0xAA);
  EXPECT_EQ(length, 0xAAAAAAAAu);
  EXPECT_EQ(payload, nullptr);
  EXPECT_EQ(pauses.Pauses(), std::vector<int>{300});
}

TEST_F(ExchangeTest, NonZeroStatusIsStillASuccessfulExchange) {
  serial.QueueResponse(3);
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(status, 3);
}

// Lengths that do not match what arrived: the header fields are reported,
// the exchange fails after the pause, and nothing reads past the buffer.
TEST_F(ExchangeTest, LengthMismatchesAreLengthErrors) {
  struct Case {
    const char* what;
    Bytes bytes;
    int reported;
    uint32_t length;
  };
  Bytes sixteen_then_twenty = {0xFE, 0x05, 0, 0, 0, 16};
  sixteen_then_twenty.resize(26, 0x11);
  const Case cases[] = {
      {"16 announced, 20 arrived", sixteen_then_twenty, -1, 16},
      {"more announced than arrived", {0xFE, 0x05, 0, 0, 1, 0, 1, 2}, -1, 256},
      {"length field 0xFFFFFFFF", {0xFE, 0x05, 0xFF, 0xFF, 0xFF, 0xFF}, -1, 0xFFFFFFFFu},
      {"length field 0xFFFFFFFA (wraps to 0 with 6 added)", {0xFE, 0x05, 0xFF, 0xFF, 0xFF, 0xFA}, 6, 0xFFFFFFFAu},
      {"count above the capacity", {0xFE, 0x05, 0x00, 0x4C, 0x4B, 0x3A}, 5000000, 4999994},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pauses.Pauses().clear();
    serial.QueueReply(c.bytes, c.reported);
    status = 0xAA;
    EXPECT_EQ(Receive(), CMD_ERR_LENGTH);
    EXPECT_EQ(status, 0x05);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(pauses.Pauses(), std::vector<int>{300});
  }
}

}  // namespace
}  // namespace kelvara
