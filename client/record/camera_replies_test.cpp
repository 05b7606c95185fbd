// The replies a recording's header keeps, as the link hears them: kept as
// received, stale after an accepted set, asked again when wanted.
#include "record/camera_replies.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera_facts/command_codes.h"
#include "camera_facts/frame_geometry.h"
#include "link/testing/scripted_link_test.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

class CameraRepliesTest : public ScriptedLinkTest {
 protected:
  void SetUp() override {
    link.SetReplyTap(
        [this](int code, const unsigned char* reply, uint32_t length) { replies.Heard(code, reply, length); });
  }
  CameraReplies replies;
};

TEST_F(CameraRepliesTest, KeepsAcceptedRepliesInHeaderOrderWithTheFormat) {
  uint16_t format = 0;
  serial.QueueResponse(0, {0x00, 0x20});  // format
  ASSERT_EQ(link.GetFormat(&status, &format), 0);
  serial.QueueResponse(0, {1, 2, 3, 4, 0x31, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});  // version
  VersionReply version;
  link.GetVersion(&status, &version);
  serial.QueueResponse(1, {9});  // a refused mode get is not kept
  int mode = 0;
  link.GetMode(&status, &mode);
  serial.QueueResponse(0, std::vector<unsigned char>(kMeasurementFrameBytes, 7));  // a frame: none of ours
  link.GetResult(&status, nullptr);

  recording::RecordingHeader header;
  replies.Fill(&header);
  ASSERT_EQ(header.replies.size(), 2u);
  EXPECT_EQ(header.replies[0].code, CMD_GET_VERSION);
  EXPECT_EQ(header.replies[0].payload.size(), 18u);
  EXPECT_EQ(header.replies[1].code, CMD_GET_FORMAT);
  EXPECT_THAT(header.replies[1].payload, ElementsAre(0x00, 0x20));
  EXPECT_EQ(header.format_code, 0x0020);
  const std::vector<uint8_t> wanted = replies.Wanted();
  EXPECT_EQ(wanted.front(), CMD_GET_ANGLE_TABLE);
  EXPECT_EQ(wanted.size(), 10u);
}

TEST_F(CameraRepliesTest, AnAcceptedSetMakesItsGetStaleUntilAskedAgain) {
  uint16_t format = 0;
  serial.QueueResponse(0, {0x00, 0x20});
  link.GetFormat(&status, &format);
  serial.QueueResponse(2);  // refused: nothing changed
  link.SetFormat(0x0030, &status);
  EXPECT_TRUE(replies.Stale().empty());
  serial.QueueResponse(0);
  link.SetFormat(0x0030, &status);
  EXPECT_THAT(replies.Stale(), ElementsAre(CMD_GET_FORMAT));

  serial.QueueResponse(0, {0x00, 0x30});
  EXPECT_TRUE(CameraReplies::Ask(link, replies.Stale()));
  EXPECT_EQ(serial.sent.back().code, CMD_GET_FORMAT);
  EXPECT_TRUE(replies.Stale().empty());
  recording::RecordingHeader header;
  replies.Fill(&header);
  EXPECT_EQ(header.format_code, 0x0030);

  replies.Clear();
  replies.Fill(&header);
  EXPECT_TRUE(header.replies.empty());
}

TEST_F(CameraRepliesTest, AskFailsOnlyWithoutTheVersion) {
  serial.QueueResponse(1);
  EXPECT_TRUE(CameraReplies::Ask(link, {CMD_GET_MODE}));
  serial.QueueResponse(1);
  EXPECT_FALSE(CameraReplies::Ask(link, {CMD_GET_VERSION}));
}

}  // namespace
}  // namespace kelvara
