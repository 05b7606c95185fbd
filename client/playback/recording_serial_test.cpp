// A recording on the serial seam: the session connects to it as to a
// camera (the recorded version and parameters), a run shows the frames the
// playback control names, and a cut recording or a file that is no
// recording says so.
#include "playback/recording_serial.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/frame_geometry.h"
#include "link/testing/scripted_serial.h"
#include "playback/camera_switch.h"
#include "recording/recording_writer.h"
#include "session/session.h"
#include "session/testing/recording_observer.h"
#include "testing/await.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::Await;

class RecordingSerialTest : public ::testing::Test {
 protected:
  RecordingSerialTest() {
    dir_ = folder_.path() + "/";
    mkdir((dir_ + "3d_data").c_str(), 0700);
    path_ = dir_ + "three.kvrec";
  }
  // Three frames 50 ms apart whose first byte is their number, recorded
  // with version 2.3.4 build 9 and exposure 1000 us; `cut` adds the start
  // of a fourth that never finished.
  void Write(bool cut) {
    recording::RecordingHeader h;
    h.format_code = 0x0101;
    h.replies = {{CMD_GET_VERSION, {'C', 'A', 'M', '-', '1', 'x', 'x', 'x', 'x', 'x', 'x', 2, 3, 4, 0, 0, 0, 9}},
                 {CMD_GET_FORMAT, {0x01, 0x01}},
                 {CMD_GET_EXPOSURE, {0x03, 0xE8, 0, 0, 0, 0, 20}}};
    recording::RecordingWriter w;
    ASSERT_TRUE(w.Open(path_, h));
    std::vector<unsigned char> frame(kMeasurementFrameBytes);
    for (int k = 0; k < 3; ++k) {
      frame[0] = static_cast<unsigned char>(k);
      ASSERT_TRUE(w.Append(recording::RecordKind::kFrame, k * 50000000LL, frame.data(), frame.size()));
    }
    ASSERT_TRUE(w.Close());
    if (cut) kelvara::testing::WriteFile(path_, kelvara::testing::ReadFile(path_) + std::string(1000, 1));
  }
  SessionOptions Options(FrameGate* gate) {
    SessionOptions o;
    o.program_folder = dir_;
    o.data_folder = dir_;
    o.pause = [](int) {};
    o.refresh_angle_file = false;
    o.frame_gate = gate;
    return o;
  }

  kelvara::testing::TempFolder folder_{"kelvara-playback"};
  std::string dir_;
  std::string path_;
};

// Remembers the first byte of every frame the session received.
class FrameNumbers : public kelvara::testing::RecordingObserver {
 public:
  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override {
    RecordingObserver::FrameReceived(frame, size, receipt_ns);
    std::lock_guard<std::mutex> lock(mutex_);
    numbers_.push_back(frame[0]);
  }
  std::vector<int> Numbers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return numbers_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> numbers_;
};

TEST_F(RecordingSerialTest, TheSessionConnectsToTheRecordedCameraAndPlaysItsFrames) {
  Write(false);
  ScriptedSerial live;
  CameraSwitch camera(live);
  std::string error;
  ASSERT_TRUE(camera.OpenRecording(path_, &error)) << error;
  EXPECT_EQ(camera.recording()->CutNotice(), "");
  FrameNumbers observer;
  Session session(camera, observer, Options(&camera));
  ASSERT_EQ(session.Connect(0, false), ConnectResult::kConnected);
  EXPECT_EQ(session.Version().major, 2);
  EXPECT_EQ(session.Version().minor, 3);
  EXPECT_EQ(session.Version().revision, 4);
  EXPECT_EQ(session.Version().build, 9u);
  EXPECT_EQ(session.model().parameters().exposure_us.current, 1000);
  EXPECT_TRUE(live.sent.empty());  // nothing went to the live library

  // Opening shows the first frame, then rests; a step shows the next one.
  ASSERT_EQ(session.Start(RunRequest::Continuous()), StartOutcome::kStarted);
  ASSERT_TRUE(Await([&] { return observer.Numbers().size() == 1; }));
  camera.control().StepForward();
  ASSERT_TRUE(Await([&] { return observer.Numbers().size() == 2; }));
  camera.control().Play();  // to the end, then rests on the last frame
  ASSERT_TRUE(Await([&] { return camera.control().Status().paused && observer.Numbers().size() == 3; }));
  camera.control().StepBack();
  ASSERT_TRUE(Await([&] { return observer.Numbers().size() == 4; }));
  EXPECT_EQ(observer.Numbers(), (std::vector<int>{0, 1, 2, 1}));

  // Stop ends a paused run at once, with no failed cycle.
  session.Stop();
  ASSERT_TRUE(session.WaitForEnd(60000));
  EXPECT_EQ(session.Health().FailedCycles(), 0);
  EXPECT_EQ(session.Health().frames_received, 4);
  EXPECT_TRUE(observer.Messages().empty());
  session.Shutdown();
}

TEST_F(RecordingSerialTest, ACutRecordingPlaysItsWholeFramesAndSaysSo) {
  Write(true);
  PlaybackControl control;
  std::string error;
  auto serial = RecordingSerial::Open(path_, control, &error);
  ASSERT_TRUE(serial) << error;
  EXPECT_EQ(serial->frames(), 3);
  EXPECT_EQ(serial->CutNotice(),
            "The recording " + path_ + " is cut off: it plays up to its last whole frame (3 whole frames).");
}

TEST_F(RecordingSerialTest, AFileThatIsNoRecordingIsRefusedWithItsReason) {
  struct Bad {
    std::string name;
    std::string bytes;  // written unless empty
    std::string reason;
  };
  const Bad cases[] = {
      {"text.kvrec", "hello, this is no recording at all", "not a recording"},
      {"missing.kvrec", "", "No such file or directory"},
  };
  for (const Bad& b : cases) {
    SCOPED_TRACE(b.name);
    const std::string path = dir_ + b.name;
    if (!b.bytes.empty()) kelvara::testing::WriteFile(path, b.bytes);
    ScriptedSerial live;
    CameraSwitch camera(live);
    std::string error;
    EXPECT_FALSE(camera.OpenRecording(path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(b.reason), std::string::npos) << error;
    EXPECT_EQ(camera.recording(), nullptr);
    EXPECT_FALSE(camera.PlaysRecording());
  }
}

}  // namespace
}  // namespace kelvara
