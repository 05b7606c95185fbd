#include "capture/capture_session.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "camera_facts/command_codes.h"
#include "link/camera_link.h"
#include "measure/testing/fake_camera.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::ReadFile;

// The capture session against the fake camera on port 1: the failures that
// the simulator cannot produce, and what is left on disk.
class CaptureSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    err_ = open_memstream(&err_text_, &err_size_);
    options_.port = 1;
    options_.format = 1;
    options_.total = 3;
    options_.name = "t";
    options_.out = dir_ + "/out";
    options_.bin = true;
  }
  void TearDown() override {
    std::fclose(err_);
    std::free(err_text_);
  }
  // The whole capture against `camera`, with failure pauses that take no time.
  int Run(FakeCamera& camera, const StopRequests& stop = nullptr) {
    CaptureConsole console(err_, false);
    const int status = RunCapture(
        options_, dir_ + "/", camera, [](int) {}, console, stop);
    std::fflush(err_);
    return status;
  }
  std::string Err() const { return std::string(err_text_, err_size_); }
  std::string Out(const std::string& name) const { return options_.out + "/" + name; }

  kelvara::testing::TempFolder folder_{"kelvara-capture"};
  std::string dir_;
  CaptureOptions options_;
  std::FILE* err_ = nullptr;
  char* err_text_ = nullptr;
  size_t err_size_ = 0;
};

TEST_F(CaptureSessionTest, ConnectFailuresHaveTheirOwnExitStatus) {
  {
    FakeCamera camera(1);
    options_.port = 2;
    EXPECT_EQ(Run(camera), kExitNoPort);
    EXPECT_NE(Err().find("kelvara-capture: no such port COM2\n"), std::string::npos) << Err();
    EXPECT_TRUE(camera.Codes().empty());
    options_.port = 1;
  }
  {
    FakeCamera camera(1);
    camera.SetSilent(true);
    EXPECT_EQ(Run(camera), kExitNoAnswer);
    EXPECT_NE(Err().find("no answer from the camera on COM1"), std::string::npos) << Err();
  }
  {
    FakeCamera camera(1);  // refuses every set command
    options_.format = 2;
    EXPECT_EQ(Run(camera), kExitFormatRefused);
    EXPECT_NE(Err().find("the camera refused the format Distance(Cartesian)"), std::string::npos) << Err();
    for (int c : camera.Codes()) EXPECT_NE(c, CMD_START_MEASUREMENT);
  }
  {
    FakeCamera camera(1);
    options_.out = "/dev/null/logs";
    EXPECT_EQ(Run(camera), kExitOutput);
    EXPECT_NE(Err().find("cannot write to the output folder /dev/null/logs"), std::string::npos) << Err();
    EXPECT_TRUE(camera.Codes().empty()) << "the folder is checked before the camera is touched";
  }
}

TEST_F(CaptureSessionTest, KeepsTheCamerasFormatAndCreatesTheOutputFolder) {
  FakeCamera camera(5);
  options_.format = -1;
  options_.pcd = true;
  options_.out = dir_ + "/a/b";
  ASSERT_EQ(Run(camera), kExitOk) << Err();
  EXPECT_EQ(ReadFile(Out("t_0002.pcd")).size(), 460970u);
  EXPECT_NE(ReadFile(Out("t.txt")).find("Format              : Distance(Cartesian)+AMP\r\n"), std::string::npos);
  EXPECT_NE(Err().find("3 frames logged"), std::string::npos) << Err();
  EXPECT_EQ(camera.Codes().back(), CMD_STOP_MEASUREMENT);
}

TEST_F(CaptureSessionTest, AnUnwritableLogFileFailsTheRunButTheOthersAreWritten) {
  FakeCamera camera(1);
  ASSERT_EQ(mkdir(options_.out.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(Out("t_body_0001.raw").c_str(), 0700), 0);  // a folder where a file should go
  EXPECT_EQ(Run(camera), kExitOutput);
  EXPECT_NE(Err().find("Failed to output file!! [ " + options_.out + "/t_body_0001.raw ]"), std::string::npos) << Err();
  EXPECT_EQ(ReadFile(Out("t_body_0002.raw")).size(), 153600u);
  EXPECT_NE(ReadFile(Out("t.txt")).find("Number of samples : 3\r\n"), std::string::npos);
  // The summary counts only the frames whose files were all written.
  EXPECT_NE(Err().find("2 frames logged"), std::string::npos) << Err();
}

TEST_F(CaptureSessionTest, TooManyFailedCyclesFailTheRunAndKeepWhatWasLogged) {
  FakeCamera camera(1);
  camera.FailResults({1, 2, 3, 4, 5, 6, 7, 8, 10});
  camera.WrongStartByte({9});
  camera.ShortResults({11});
  EXPECT_EQ(Run(camera), kExitMeasurement);
  EXPECT_NE(Err().find("Get mesurement result failed!!"), std::string::npos) << Err();
  EXPECT_NE(Err().find("1 frames logged"), std::string::npos) << Err();
  EXPECT_NE(Err().find("11 failed cycles (9 no response, 1 wrong start byte, 1 length mismatch)\n"), std::string::npos)
      << Err();
  EXPECT_EQ(ReadFile(Out("t_body_0000.raw")).size(), 153600u);
  EXPECT_NE(ReadFile(Out("t.txt")).find("Number of samples : 1\r\n"), std::string::npos)
      << "the settings block describes the frames that were logged";
}

TEST_F(CaptureSessionTest, AStopRequestEndsTheLoggingRunCleanly) {
  FakeCamera camera(1);
  options_.total = 999999;
  camera.HoldNextResult();
  int asked = 0;
  // The first question comes while the first result is held: ask for a
  // clean stop. The camera answers only at the next question, once the stop
  // has reached the run control, so exactly that frame is logged.
  EXPECT_EQ(Run(camera,
                [&]() {
                  if (asked == 0) camera.WaitUntilHeld();
                  if (asked++ == 1) camera.Release();
                  return asked == 1 ? 1 : 0;
                }),
            kExitOk)
      << Err();
  EXPECT_NE(Err().find("stopping: logging one more frame"), std::string::npos);
  // The frame in flight was logged, then the logging run ended.
  std::string settings = ReadFile(Out("t.txt"));
  EXPECT_NE(settings.find("Number of samples : 1\r\n"), std::string::npos);
  EXPECT_EQ(camera.Codes().back(), CMD_STOP_MEASUREMENT);
  struct stat st {};
  // More than 1000 logs asked for: raw files go into thousands folders.
  EXPECT_EQ(stat(Out("0000/t_body_0000.raw").c_str(), &st), 0) << Err();
  EXPECT_NE(Err().find("logged 1/999999 frames\n"), std::string::npos) << Err();
}

// A recording that a log file of the same run would replace is refused
// before the camera is touched; any other name in the same folder is fine.
TEST_F(CaptureSessionTest, ARecordingNamedLikeTheRunsFilesIsRefused) {
  ASSERT_EQ(mkdir(options_.out.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(Out("0000").c_str(), 0700), 0);
  const std::string cases[] = {Out("t_0001.raw"), Out("t.txt"), Out("t_temp.csv"), Out("0000/t_body_0000.raw"),
                               dir_ + "/out/../out/t_cloud_0000.ply"};
  for (const std::string& record : cases) {
    FakeCamera camera(1);
    options_.record = record;
    EXPECT_EQ(Run(camera), kExitUsage) << record;
    EXPECT_NE(Err().find("--record " + record + ": this run's log files"), std::string::npos) << Err();
    EXPECT_TRUE(camera.Codes().empty()) << record;
  }
  FakeCamera camera(1);
  options_.record = Out("t.kvrec");
  EXPECT_EQ(Run(camera), kExitOk) << Err();
  struct stat st {};
  ASSERT_EQ(stat(options_.record.c_str(), &st), 0);
  EXPECT_GT(st.st_size, 3 * 153600);
}

// A base name that leaves the log files' names just within a folder entry
// (255 bytes) is written: the hidden temporaries are cut to fit.
TEST_F(CaptureSessionTest, LongNamesThatFitAreWritten) {
  FakeCamera camera(1);
  options_.name = std::string(240, 'n');  // "<name>_body_0002.raw" is 254 bytes
  ASSERT_EQ(Run(camera), kExitOk) << Err();
  EXPECT_EQ(ReadFile(Out(options_.name + "_body_0002.raw")).size(), 153600u);
  EXPECT_NE(ReadFile(Out(options_.name + ".txt")).find("Number of samples : 3\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kelvara
