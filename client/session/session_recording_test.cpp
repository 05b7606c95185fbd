// The session's recording: every frame received, raw and in order, into a
// file that RecordingReader reads; started while Ready or during a run;
// refused without a camera or a file; ended whole by a disconnect.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <mutex>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "display/view_filters.h"
#include "measure/testing/fake_camera.h"
#include "recording/recording_reader.h"
#include "session/session.h"
#include "session/testing/recording_observer.h"
#include "testing/await.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

using testing::Await;

// Also keeps every frame's bytes.
class FrameKeeper : public testing::RecordingObserver {
 public:
  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      frames_.emplace_back(frame, frame + size);
    }
    RecordingObserver::FrameReceived(frame, size, receipt_ns);
  }
  std::vector<std::vector<unsigned char>> Frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::vector<unsigned char>> frames_;
};

class SessionRecordingTest : public ::testing::Test {
 protected:
  SessionRecordingTest() {
    dir_ = folder_.path() + "/";
    mkdir((dir_ + "3d_data").c_str(), 0700);
    SessionOptions o;
    o.program_folder = o.data_folder = dir_;
    o.pause = [](int) {};
    o.refresh_angle_file = false;
    o.now_ns = [this] { return camera_.NowNs(); };  // one step per result
    camera_.SetResultStepNs(kStepNs);
    session_ = std::make_unique<Session>(camera_, observer_, std::move(o));
  }
  ~SessionRecordingTest() override { session_->Shutdown(); }
  static constexpr int64_t kStepNs = 1000;

  // The recorded frames: each payload and its time.
  struct Recorded {
    std::vector<std::vector<unsigned char>> frames;
    std::vector<int64_t> times;
    recording::RecordingHeader header;
    uint64_t trailing = 0;
  };
  Recorded Read(const std::string& path) {
    Recorded r;
    recording::RecordingReader reader;
    EXPECT_TRUE(reader.Open(path)) << reader.error();
    r.header = reader.header();
    r.trailing = reader.trailing_bytes();
    for (const recording::RecordEntry& e : reader.frames()) {
      std::vector<unsigned char> bytes(e.payload_size);
      EXPECT_TRUE(reader.ReadPayload(e, bytes.data()));
      r.frames.push_back(std::move(bytes));
      r.times.push_back(e.time_ns);
    }
    return r;
  }
  bool Ready() {
    return Await([&] { return session_->State() == SessionState::kReady; });
  }
  int64_t FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
  }

  kelvara::testing::TempFolder folder_{"kelvara-session-rec"};
  std::string dir_;
  FakeCamera camera_{1};
  FrameKeeper observer_;
  std::unique_ptr<Session> session_;
  std::string error_;
};

TEST_F(SessionRecordingTest, ArmedWhileReadyRecordsTheNextRunsRawAsReceived) {
  ASSERT_EQ(session_->Connect(1), ConnectResult::kConnected);
  const std::string path = dir_ + "r.kvrec";
  ASSERT_EQ(session_->StartRecording(path, &error_), RecordStart::kStarted) << error_;
  // The angle table was not read at connect: asked now, the link is free.
  EXPECT_THAT(camera_.Codes(), ::testing::Contains(CMD_GET_ANGLE_TABLE));
  session_->SetFilters(kFilterFlying | kFilterSpatial | kFilterTemporal);  // the picture's, not the recording's
  for (int run = 0; run < 2; ++run) {
    ASSERT_EQ(session_->Start(RunRequest::Cycles(6)), StartOutcome::kStarted);
    ASSERT_TRUE(Ready());
  }
  EXPECT_TRUE(session_->Recording().on);
  ASSERT_TRUE(session_->StopRecording());
  const RecordingStatus status = session_->Recording();
  EXPECT_FALSE(status.on);
  EXPECT_EQ(status.path, path);
  EXPECT_EQ(status.frames, 12);
  EXPECT_EQ(status.bytes, FileSize(path));

  const Recorded r = Read(path);
  EXPECT_EQ(r.trailing, 0u);
  EXPECT_EQ(r.frames, observer_.Frames()) << "every frame, byte for byte, in order";
  const std::vector<int64_t> receipts = observer_.Receipts();
  ASSERT_EQ(r.times.size(), receipts.size());
  for (size_t i = 1; i < receipts.size(); ++i) EXPECT_EQ(r.times[i] - r.times[0], receipts[i] - receipts[0]) << i;
  for (uint8_t code : {CMD_GET_VERSION, CMD_GET_ANGLE_TABLE, CMD_GET_FORMAT})
    EXPECT_NE(r.header.Find(code), nullptr) << static_cast<int>(code);
  EXPECT_EQ(r.header.format_code, kFormatCodes[1]);
}

TEST_F(SessionRecordingTest, ToggledDuringARunTakesAContiguousStretchWithoutTouchingTheLink) {
  ASSERT_EQ(session_->Connect(1), ConnectResult::kConnected);
  ASSERT_EQ(session_->Start(RunRequest::Continuous()), StartOutcome::kStarted);
  ASSERT_TRUE(Await([&] { return observer_.Frames().size() >= 3; }));
  const std::string path = dir_ + "mid.kvrec";
  ASSERT_EQ(session_->StartRecording(path, &error_), RecordStart::kStarted) << error_;
  ASSERT_TRUE(Await([&] { return session_->Recording().frames >= 5; }));
  ASSERT_TRUE(session_->StopRecording());
  const int64_t recorded = session_->Recording().frames;
  ASSERT_TRUE(Await([&] { return observer_.Frames().size() >= static_cast<size_t>(recorded) + 6; }));
  session_->Stop();
  ASSERT_TRUE(Ready());
  for (int c : camera_.Codes()) EXPECT_NE(c, CMD_GET_ANGLE_TABLE) << "the run's link was not used";

  const Recorded r = Read(path);
  ASSERT_EQ(static_cast<int64_t>(r.frames.size()), recorded);
  EXPECT_NE(r.header.Find(CMD_GET_VERSION), nullptr) << "the replies kept from the connect";
  EXPECT_NE(r.header.Find(CMD_GET_FORMAT), nullptr);
  // One stretch of the received frames, none left out: a frame every step
  // (those received before the start are not in it).
  const std::vector<std::vector<unsigned char>> received = observer_.Frames();
  EXPECT_GE(received.size(), r.frames.size() + 9);
  for (const auto& frame : r.frames) EXPECT_EQ(frame, received.front());
  for (size_t i = 1; i < r.times.size(); ++i) EXPECT_EQ(r.times[i] - r.times[i - 1], kStepNs) << i;
}

TEST_F(SessionRecordingTest, RefusalsLeaveNoRecordingGoingOn) {
  struct Case {
    bool connect;
    std::string path;
    RecordStart outcome;
  };
  mkdir((dir_ + "folder.kvrec").c_str(), 0700);
  const Case cases[] = {
      {false, dir_ + "a.kvrec", RecordStart::kNotConnected},
      {true, dir_ + "folder.kvrec", RecordStart::kFileFailed},
      {true, dir_ + "missing/a.kvrec", RecordStart::kFileFailed},
  };
  for (const Case& c : cases) {
    if (c.connect) {
      ASSERT_EQ(session_->Connect(1), ConnectResult::kConnected);
    }
    error_.clear();
    EXPECT_EQ(session_->StartRecording(c.path, &error_), c.outcome) << c.path;
    EXPECT_FALSE(error_.empty()) << c.path;
    EXPECT_FALSE(session_->Recording().on) << c.path;
    if (c.outcome == RecordStart::kFileFailed) {
      EXPECT_EQ(session_->Recording().error, error_);
    }
    session_->Disconnect();
  }
  struct stat st {};
  EXPECT_NE(stat((dir_ + "a.kvrec").c_str(), &st), 0) << "nothing created without a camera";
}

TEST_F(SessionRecordingTest, ADisconnectDuringARunEndsTheRecordingWhole) {
  ASSERT_EQ(session_->Connect(1), ConnectResult::kConnected);
  const std::string path = dir_ + "cut.kvrec";
  ASSERT_EQ(session_->StartRecording(path, &error_), RecordStart::kStarted) << error_;
  ASSERT_EQ(session_->Start(RunRequest::Continuous()), StartOutcome::kStarted);
  ASSERT_TRUE(Await([&] { return session_->Recording().frames >= 4; }));
  session_->Disconnect();
  ASSERT_TRUE(Await([&] { return session_->State() == SessionState::kDisconnected; }));
  const RecordingStatus status = session_->Recording();
  EXPECT_FALSE(status.on);
  EXPECT_TRUE(status.error.empty()) << status.error;
  const Recorded r = Read(path);
  EXPECT_EQ(r.trailing, 0u);
  EXPECT_EQ(static_cast<int64_t>(r.frames.size()), status.frames);
  EXPECT_EQ(status.bytes, FileSize(path));
}

TEST_F(SessionRecordingTest, AnAcceptedParameterSetRestartsAnEmptyRecordingAndEndsOneWithFrames) {
  ASSERT_EQ(session_->Connect(1), ConnectResult::kConnected);
  const std::string path = dir_ + "p.kvrec";
  ASSERT_EQ(session_->StartRecording(path, &error_), RecordStart::kStarted) << error_;
  const size_t asked = camera_.Codes().size();
  const size_t messages = observer_.Messages().size();
  // Accepted: the header's format reply is out of date and asked again.
  ASSERT_TRUE(session_->SendFormat(1));
  const std::vector<int> codes = camera_.Codes();
  ASSERT_GE(codes.size(), asked + 2);
  EXPECT_EQ(codes[asked], CMD_SET_FORMAT);
  EXPECT_EQ(codes[asked + 1], CMD_GET_FORMAT);
  EXPECT_TRUE(session_->Recording().on) << "no frame yet: begun again";
  EXPECT_EQ(observer_.Messages().size(), messages);

  ASSERT_EQ(session_->Start(RunRequest::Cycles(2)), StartOutcome::kStarted);
  ASSERT_TRUE(Ready());
  ASSERT_TRUE(session_->SendFormat(1));
  EXPECT_FALSE(session_->Recording().on);
  ASSERT_FALSE(observer_.Messages().empty());
  EXPECT_EQ(observer_.Messages().back(), "Recording ended: the camera's parameters changed (2 frames in " + path +
                                             "). Press Record again to record with the new ones.");
  const Recorded r = Read(path);
  EXPECT_EQ(r.frames.size(), 2u);
  EXPECT_EQ(r.trailing, 0u);
}

}  // namespace
}  // namespace kelvara
