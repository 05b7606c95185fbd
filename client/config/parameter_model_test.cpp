#include "config/parameter_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/testing/recording_notifier.h"
#include "link/camera_link.h"
#include "link/testing/scripted_serial.h"

namespace kelvara {
namespace {

using Bytes = std::vector<unsigned char>;

// Records what the model asks of the settings panel.
class RecordingPanel : public ParameterPanel {
 public:
  void ShowValues(const DeviceParameters& p) override { shown.push_back(p); }
  void SetRotationControlsEnabled(bool enabled) override { rotation.push_back(enabled); }
  void SetParameterPanelEnabled(bool enabled) override { panel_enabled.push_back(enabled); }
  void SetWaitCursor(bool on) override { wait_cursor.push_back(on); }

  std::vector<DeviceParameters> shown;
  std::vector<bool> rotation;
  std::vector<bool> panel_enabled;
  std::vector<bool> wait_cursor;
};

// Replies of the ten get commands, in read order, for a camera holding
// these values.
struct CameraValues {
  uint16_t format_code = 0x0102;
  int mode = 1;
  int exposure = 1000, frame_rate = 20;
  int amp_all = 200, amp_near = 150;
  int rot_x = 1, rot_y = 300, rot_z = 359;
  int led_id = 16, pilot = 0;
  int data_size = 4, interval = 10000;
  int enr = 12499;
};

Bytes Be16(int v) { return {static_cast<unsigned char>((v >> 8) & 0xFF), static_cast<unsigned char>(v & 0xFF)}; }

void QueueReadReplies(ScriptedSerial& serial, const CameraValues& v, int refused_step = -1) {
  std::vector<Bytes> replies = {Be16(v.format_code),
                                {static_cast<unsigned char>(v.mode)},
                                {},
                                {static_cast<unsigned char>(v.amp_all)},
                                {static_cast<unsigned char>(v.amp_near)},
                                {},
                                {static_cast<unsigned char>(v.led_id)},
                                {static_cast<unsigned char>(v.pilot)},
                                {},
                                Be16(v.enr)};
  replies[2] = Be16(v.exposure);
  replies[2].insert(replies[2].end(), {0, 0, 0, 0, static_cast<unsigned char>(v.frame_rate)});
  for (int x : {v.rot_x, v.rot_y, v.rot_z}) {
    Bytes b = Be16(x);
    replies[5].insert(replies[5].end(), b.begin(), b.end());
  }
  replies[8] = {static_cast<unsigned char>(v.data_size)};
  Bytes iv = Be16(v.interval);
  replies[8].insert(replies[8].end(), iv.begin(), iv.end());
  for (int i = 0; i < 10; ++i) serial.QueueResponse(i == refused_step ? 1 : 0, replies[i]);
}

class ParameterModelTest : public ::testing::Test {
 protected:
  // A model in step with a camera that holds `CameraValues{}`.
  void ReadDefaults() {
    QueueReadReplies(serial, CameraValues{});
    model.ReadParametersFromDevice();
    serial.sent.clear();
    serial.receive_timeouts.clear();
    panel = RecordingPanel();
    seen_messages_ = notifier.Messages().size();
  }
  // Messages shown since the last ReadDefaults().
  std::vector<std::string> NewMessages() const {
    std::vector<std::string> all = notifier.Messages();
    return std::vector<std::string>(all.begin() + seen_messages_, all.end());
  }
  std::vector<int> SentCodes() const {
    std::vector<int> codes;
    for (const auto& s : serial.sent) codes.push_back(s.code);
    return codes;
  }

  ScriptedSerial serial;
  PauseRecorder pauses;
  CameraLink link{serial, pauses.Function()};
  RecordingNotifier notifier;
  RecordingPanel panel;
  ParameterModel model{link, notifier, &panel};
  size_t seen_messages_ = 0;
};

TEST_F(ParameterModelTest, ReadsEveryGroupInOrderIntoCurrentAndApplied) {
  QueueReadReplies(serial, CameraValues{});
  model.ReadParametersFromDevice();

  EXPECT_EQ(SentCodes(), (std::vector<int>{0x85, 0x87, 0x89, 0x91, 0x93, 0x8B, 0x8F, 0x96, 0x98, 0x9A}));
  EXPECT_EQ(serial.receive_timeouts, std::vector<int>(10, 500));
  EXPECT_TRUE(notifier.Messages().empty());

  const DeviceParameters& p = model.parameters();
  const std::pair<const char*, std::pair<ParameterValue, int>> expected[] = {
      {"format", {p.format, 6}},
      {"mode", {p.mode, 1}},
      {"exposure", {p.exposure_us, 1000}},
      {"frame rate", {p.frame_rate_limiter, 20}},
      // A byte of 200 is an amplitude of 200, never a negative number.
      {"amp all", {p.amp_min_all, 200}},
      {"amp near", {p.amp_min_near, 150}},
      {"rot x", {p.rotation_x, 1}},
      {"rot y", {p.rotation_y, 300}},
      {"rot z", {p.rotation_z, 359}},
      {"led id", {p.led_freq_id, 16}},
      {"pilot", {p.pilot_led, 0}},
      {"data size", {p.data_size_kb, 4}},
      {"interval", {p.interval_us, 10000}},
      {"enr", {p.enr_threshold, 12499}},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.first);
    EXPECT_EQ(e.second.first.current, e.second.second);
    EXPECT_EQ(e.second.first.applied, e.second.second);
  }
  // Code 0x0102 is a rotated format; at the end the panel is enabled and
  // shows the values read.
  ASSERT_FALSE(panel.rotation.empty());
  EXPECT_TRUE(panel.rotation.back());
  EXPECT_EQ(panel.panel_enabled, std::vector<bool>{true});
  ASSERT_FALSE(panel.shown.empty());
  EXPECT_EQ(panel.shown.back().enr_threshold.current, 12499);
}

TEST_F(ParameterModelTest, FailedReadsReportTheirGroupAndKeepValues) {
  // Format 0x1234 is unknown, data size 3 has no entry, rotation is refused.
  CameraValues v;
  v.format_code = 0x1234;
  v.data_size = 3;
  v.interval = 77;
  QueueReadReplies(serial, v, /*refused_step=*/5);
  model.ReadParametersFromDevice();

  const DeviceParameters& p = model.parameters();
  const DeviceParameters initial;
  EXPECT_EQ(p.format.current, -1);
  EXPECT_EQ(p.format.applied, initial.format.applied);
  EXPECT_FALSE(panel.rotation.back());
  EXPECT_EQ(p.data_size_kb.current, 16);
  EXPECT_EQ(p.data_size_kb.applied, 16);
  EXPECT_EQ(p.interval_us.current, 77);
  EXPECT_EQ(p.interval_us.applied, 77);
  EXPECT_EQ(p.rotation_y.current, 0);
  EXPECT_EQ(p.enr_threshold.current, 12499);  // the read went on
  EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"Get parameter failed!! [ Rotation angle ]"});
  EXPECT_EQ(panel.panel_enabled, std::vector<bool>{true});
}

TEST_F(ParameterModelTest, EveryFailedReadNamesItsGroup) {
  // No camera at all: every get goes unanswered, each group is named once.
  model.ReadParametersFromDevice();
  EXPECT_EQ(
      notifier.Messages(),
      (std::vector<std::string>{"Get parameter failed!! [ Format ]", "Get parameter failed!! [ Mode ]",
                                "Get parameter failed!! [ Exposure time & Frame rate limitter ]",
                                "Get parameter failed!! [ Amplitude minimum - All range ]",
                                "Get parameter failed!! [ Amplitude minimum - Near range ]",
                                "Get parameter failed!! [ Rotation angle ]", "Get parameter failed!! [ LED Freq. ID ]",
                                "Get parameter failed!! [ Pilot LED ]", "Get parameter failed!! [ Response speed ]",
                                "Get parameter failed!! [ ENR Threshold ]"}));
  const DeviceParameters initial;
  EXPECT_EQ(model.parameters().exposure_us.current, initial.exposure_us.current);
  EXPECT_EQ(model.parameters().exposure_us.applied, initial.exposure_us.applied);
  EXPECT_EQ(panel.panel_enabled, std::vector<bool>{true});
}

TEST_F(ParameterModelTest, SelectFormatByCodeFollowsTheFormatTable) {
  struct Case {
    uint16_t code;
    int index;
    bool rotation;
  } cases[] = {{0x01FF, 0, false}, {0x0000, 1, false}, {0x0001, 2, false}, {0x0002, 3, true},
               {0x0100, 4, false}, {0x0101, 5, false}, {0x0102, 6, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    model.SelectFormatByCode(c.code);
    EXPECT_EQ(model.parameters().format.current, c.index);
    EXPECT_EQ(model.parameters().format.applied, c.index);
    EXPECT_EQ(panel.rotation.back(), c.rotation);
    EXPECT_EQ(panel.shown.back().format.current, c.index);
  }
}

// A code outside the table selects nothing, and the rotation controls go off
// even though the entry still shown (0x0102) is a rotated one; 0x0202 ends
// in 0x02 like the rotated codes but is not one of them.
TEST_F(ParameterModelTest, AnUnknownFormatCodeDisablesTheRotationControls) {
  for (uint16_t unknown : {0x1234, 0x0202, 0xFFFF}) {
    SCOPED_TRACE(unknown);
    model.SelectFormatByCode(0x0102);
    ASSERT_TRUE(panel.rotation.back());
    model.SelectFormatByCode(unknown);
    EXPECT_FALSE(panel.rotation.back());
    EXPECT_EQ(model.parameters().format.current, 6);  // unchanged
    EXPECT_EQ(panel.shown.back().format.current, 6);
  }
}

TEST_F(ParameterModelTest, NothingChangedSendsNothing) {
  ReadDefaults();
  model.ApplyParameters();
  EXPECT_TRUE(serial.sent.empty());
  EXPECT_TRUE(notifier.Messages().empty());
  EXPECT_EQ(panel.wait_cursor, (std::vector<bool>{true, false}));
}

// Each group alone: its request when the camera accepts (applied follows),
// and its name and the revert when the camera refuses.
TEST_F(ParameterModelTest, EachGroupIsSentWhenChangedAndRevertedWhenRefused) {
  struct Case {
    const char* name;
    std::function<void(DeviceParameters&)> change;
    int code;
    Bytes payload;
    int timeout;
  };
  const Case cases[] = {
      {"Format", [](DeviceParameters& p) { p.format.current = 2; }, 0x84, {0x00, 0x01}, 1000},
      {"Mode", [](DeviceParameters& p) { p.mode.current = 0; }, 0x86, {0}, 1000},
      // The frame rate limiter alone sends the whole record with the
      // unchanged exposure time (1000 = 0x03E8).
      {"Exposure time & Frame rate limitter",
       [](DeviceParameters& p) { p.frame_rate_limiter.current = 5; },
       0x88,
       {0x03, 0xE8, 0, 0, 0, 0, 5},
       500},
      {"Amplitude minimum - All range", [](DeviceParameters& p) { p.amp_min_all.current = 7; }, 0x90, {7}, 500},
      {"Amplitude minimum - Near range", [](DeviceParameters& p) { p.amp_min_near.current = 0; }, 0x92, {0}, 500},
      {"Rotation angle",
       [](DeviceParameters& p) { p.rotation_z.current = 90; },
       0x8A,
       {0x00, 0x01, 0x01, 0x2C, 0x00, 0x5A},
       500},
      {"LED Freq. ID", [](DeviceParameters& p) { p.led_freq_id.current = 3; }, 0x8E, {3}, 500},
      {"Pilot LED", [](DeviceParameters& p) { p.pilot_led.current = 1; }, 0x95, {1}, 500},
      {"Response speed", [](DeviceParameters& p) { p.data_size_kb.current = 8; }, 0x97, {8, 0x27, 0x10}, 500},
      {"ENR Threshold", [](DeviceParameters& p) { p.enr_threshold.current = 300; }, 0x99, {0x01, 0x2C}, 500},
  };
  for (const Case& c : cases) {
    for (unsigned char status : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + (status ? " refused" : " accepted"));
      ReadDefaults();
      const DeviceParameters before = model.parameters();
      c.change(model.parameters());
      const DeviceParameters edited = model.parameters();
      serial.QueueResponse(status);
      model.ApplyParameters();

      ASSERT_EQ(serial.sent.size(), 1u);
      EXPECT_EQ(serial.sent[0].code, c.code);
      EXPECT_EQ(serial.sent[0].payload, c.payload);
      EXPECT_EQ(serial.receive_timeouts, std::vector<int>{c.timeout});
      const DeviceParameters& p = model.parameters();
      if (status == 0) {
        EXPECT_TRUE(NewMessages().empty());
        EXPECT_EQ(p.frame_rate_limiter.applied, edited.frame_rate_limiter.current);
        EXPECT_EQ(p.exposure_us.applied, edited.exposure_us.current);
        EXPECT_EQ(p.format.applied, edited.format.current);
        EXPECT_EQ(p.data_size_kb.applied, edited.data_size_kb.current);
        EXPECT_EQ(p.rotation_z.applied, edited.rotation_z.current);
        EXPECT_EQ(p.enr_threshold.applied, edited.enr_threshold.current);
      } else {
        EXPECT_EQ(NewMessages(), std::vector<std::string>{std::string("Set parameter failed!! [ ") + c.name + " ]"});
        // Every value is back where the camera has it, and shown so.
        for (const DeviceParameters* q : {&p, static_cast<const DeviceParameters*>(&panel.shown.back())}) {
          EXPECT_EQ(q->format.current, before.format.current);
          EXPECT_EQ(q->mode.current, before.mode.current);
          EXPECT_EQ(q->frame_rate_limiter.current, before.frame_rate_limiter.current);
          EXPECT_EQ(q->amp_min_all.current, before.amp_min_all.current);
          EXPECT_EQ(q->amp_min_near.current, before.amp_min_near.current);
          EXPECT_EQ(q->rotation_z.current, before.rotation_z.current);
          EXPECT_EQ(q->led_freq_id.current, before.led_freq_id.current);
          EXPECT_EQ(q->pilot_led.current, before.pilot_led.current);
          EXPECT_EQ(q->data_size_kb.current, before.data_size_kb.current);
          EXPECT_EQ(q->enr_threshold.current, before.enr_threshold.current);
        }
      }
      EXPECT_EQ(panel.wait_cursor, (std::vector<bool>{true, false}));
    }
  }
}

TEST_F(ParameterModelTest, RefusedGroupsDoNotStopTheOthers) {
  ReadDefaults();
  DeviceParameters& p = model.parameters();
  p.format.current = 4;  // refused: back to 6, rotation controls on again
  p.mode.current = 0;    // unanswered
  p.exposure_us.current = 300;
  p.frame_rate_limiter.current = 10;  // both refused together
  p.rotation_x.current = 45;          // accepted
  p.enr_threshold.current = 5;        // accepted
  serial.QueueResponse(2);
  for (int i = 0; i <= kReceiveRetries; ++i) serial.QueueReply({});
  serial.QueueResponse(1);
  serial.QueueResponse(0);
  serial.QueueResponse(0);
  model.ApplyParameters();

  EXPECT_EQ(SentCodes(), (std::vector<int>{0x84, 0x86, 0x88, 0x8A, 0x99}));
  EXPECT_EQ(notifier.Messages(),
            (std::vector<std::string>{"Set parameter failed!! [ Format ]", "Set parameter failed!! [ Mode ]",
                                      "Set parameter failed!! [ Exposure time & Frame rate limitter ]"}));
  EXPECT_EQ(p.format.current, 6);
  EXPECT_EQ(p.mode.current, 1);
  EXPECT_EQ(p.exposure_us.current, 1000);
  EXPECT_EQ(p.frame_rate_limiter.current, 20);
  EXPECT_EQ(p.rotation_x.applied, 45);
  EXPECT_EQ(p.enr_threshold.applied, 5);
  EXPECT_EQ(panel.rotation, std::vector<bool>{true});
}

TEST_F(ParameterModelTest, SelectorsWithoutAnEntryAreNeverSent) {
  // Before any read no Format or Mode entry is selected; the other groups
  // differ from their initial applied values and are sent.
  for (int i = 0; i < 8; ++i) serial.QueueResponse(0);
  model.ApplyParameters();
  EXPECT_EQ(SentCodes(), (std::vector<int>{0x88, 0x90, 0x92}));
  EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(ParameterModelTest, SelectDataSizeByValueTakesOnlyTheSelectorValues) {
  for (int kb : {1, 2, 4, 8, 16}) {
    model.SelectDataSizeByValue(kb);
    EXPECT_EQ(model.parameters().data_size_kb.current, kb);
    EXPECT_EQ(model.parameters().data_size_kb.applied, kb);
  }
  for (int kb : {0, 3, 32, -1}) {
    model.SelectDataSizeByValue(kb);
    EXPECT_EQ(model.parameters().data_size_kb.current, 16);
  }
}

TEST(ParameterModelWithoutPanel, RunsWithoutAPanel) {
  ScriptedSerial serial;
  PauseRecorder pauses;
  CameraLink link(serial, pauses.Function());
  RecordingNotifier notifier;
  ParameterModel model(link, notifier);
  QueueReadReplies(serial, CameraValues{});
  model.ReadParametersFromDevice();
  model.parameters().led_freq_id.current = 2;
  serial.QueueResponse(1);
  model.ApplyParameters();
  EXPECT_EQ(model.parameters().led_freq_id.current, 16);
  EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"Set parameter failed!! [ LED Freq. ID ]"});
}

TEST(DeviceParameterNames, PrintNamesOfEntriesOnly) {
  EXPECT_STREQ(FormatName(0), "Amplitude");
  EXPECT_STREQ(FormatName(6), "Distance(Cartesian rot)+AMP");
  EXPECT_STREQ(FormatName(-1), "");
  EXPECT_STREQ(FormatName(7), "");
  EXPECT_STREQ(ModeName(0), "Normal");
  EXPECT_STREQ(ModeName(1), "High speed");
  EXPECT_STREQ(ModeName(-1), "");
  EXPECT_STREQ(PilotLedName(0), "ON");
  EXPECT_STREQ(PilotLedName(1), "OFF");
  EXPECT_STREQ(PilotLedName(2), "");
}

}  // namespace
}  // namespace kelvara
