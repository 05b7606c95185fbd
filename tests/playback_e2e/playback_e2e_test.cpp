// The program Kelvara recording the simulator's pattern scene with its own
// "Record" button, then opening that recording ("Kelvara FILE.kvrec"): the
// client shows the recorded version in its title and the pattern's centre
// distance, and its logging run over the played-back frames writes the
// files of kelvara-capture's logging run on the live simulator byte for
// byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camsim/testing/sim_process.h"
#include "recording/recording_reader.h"
#include "testing/child_process.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"
#include "tests/daily_e2e/atspi_probe.h"

extern char** environ;

namespace kelvara {
namespace {

namespace fs = std::filesystem;
using testing::AtSpiProbe;

constexpr int kFrames = 20;

bool Await(const std::function<bool()>& condition, int ms = 60000) { return QTest::qWaitFor(condition, ms); }

std::string Output(const std::string& command) { return testing::CommandOutput(command); }

// "Server Version a.b.c.dddddddd" as the client shows a camera's version
// reply: the identification field (12 bytes when its fifth byte is '0',
// else 11), then major, minor, revision and the build.
std::string VersionText(const std::vector<unsigned char>& reply) {
  if (reply.size() < 19) return "?";
  const unsigned char* v = reply.data() + (reply[4] == '0' ? 12 : 11);
  const unsigned build = (unsigned{v[3]} << 24) | (unsigned{v[4]} << 16) | (unsigned{v[5]} << 8) | unsigned{v[6]};
  char text[64];
  std::snprintf(text, sizeof text, "Server Version %d.%d.%d.%08u", v[0], v[1], v[2], build);
  return text;
}

class PlaybackE2eTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::PrepareClientFolder(KELVARA_BIN_DIR, program_.path()); }
  void TearDown() override { StopClient(); }

  // Ends the program as a session's end does (it closes on SIGTERM).
  void StopClient() {
    if (client_ <= 0) return;
    kill(client_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 300 && waitpid(client_, &status, WNOHANG) == 0; ++i) QTest::qWait(50);
    kill(client_, SIGKILL);
    waitpid(client_, &status, 0);
    client_ = -1;
  }

  // Starts the program with `args`, the simulator at `port` chosen last,
  // logging into `folder` as "e2e" with the capture's file types and count.
  void StartClient(const std::vector<std::string>& args, const std::string& folder, int port = 0) {
    fs::create_directory(folder);
    std::ofstream(program_.Path("Kelvara.ini"))
        << "[Application]\r\nCOMPortName=COM" << port << "\r\n[Logging]\r\nSavePath=" << folder
        << "\r\nFileName=e2e\r\nCSVCheck=1\r\nPNGCheck=1\r\nBINCheck=1\r\nPCDCheck=0\r\nTotalNumberOfLogs=" << kFrames
        << "\r\n";
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string program = program_.Path("Kelvara");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawn(&client_, program.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    ASSERT_TRUE(probe_.Attach(client_, 30000)) << "the program did not appear on the accessibility bus";
  }

  std::string Title() {
    const std::string found = Output("timeout 10 " KELVARA_XDOTOOL " search --all --onlyvisible --pid " +
                                     std::to_string(client_) + " --name '^Qor Imager Client' 2>/dev/null");
    if (found.empty()) return std::string();
    return Output("timeout 10 " KELVARA_XDOTOOL " getwindowname " + found.substr(0, found.find('\n')));
  }
  AtSpiProbe::Node Node(const char* name, const char* under = nullptr) {
    std::optional<AtSpiProbe::Node> parent;
    if (under) parent = probe_.Find(QString::fromLatin1(under));
    const std::optional<AtSpiProbe::Node> node = probe_.Find(QString::fromLatin1(name), parent);
    EXPECT_TRUE(node) << name;
    return node.value_or(AtSpiProbe::Node());
  }
  QString Shown(const char* item) { return probe_.Description(Node(item)); }
  void Press(const char* name, const char* under = nullptr) { ASSERT_TRUE(probe_.Press(Node(name, under))) << name; }

  testing::TempFolder program_{"kelvara-playback"};
  testing::TempFolder work_{"kelvara-playback-work"};
  pid_t client_ = -1;
  AtSpiProbe probe_;
};

TEST_F(PlaybackE2eTest, TheClientsRecordingPlaysBackAsTheRecordedCameraAndLogsTheCapturesFiles) {
  auto sim = testing::SimProcess::Start({"--scene", "pattern"});
  ASSERT_TRUE(sim) << testing::SimProcess::last_error();
  // "Record" pressed before the View panel's run records that run's frames.
  StartClient({}, work_.Path("rec"), sim->port());
  ASSERT_TRUE(Await([&] { return probe_.Enabled(Node("Connect")); }));
  Press("Connect");
  ASSERT_TRUE(Await([&] { return Shown("Connection status").contains(QStringLiteral("server")); }))
      << Shown("Connection status").toStdString();
  Press("Record");
  ASSERT_TRUE(Await([&] { return Shown("Status line").startsWith(QStringLiteral("Recording to ")); }))
      << Shown("Status line").toStdString();
  Press("Start", "View");
  const QRegularExpression recorded(QStringLiteral("^Recorded (\\d+) frames, "));
  ASSERT_TRUE(Await([&] { return recorded.match(Shown("Recorded")).captured(1).toInt() >= kFrames; }))
      << Shown("Recorded").toStdString();
  Press("Record");
  const QRegularExpression ended(
      QStringLiteral("^Recording ended: (\\d+) frames in (.*/rec/e2e_20\\d{6}-\\d{6}\\.kvrec)$"));
  ASSERT_TRUE(Await([&] { return ended.match(Shown("Status line")).hasMatch(); }))
      << Shown("Status line").toStdString();
  const QRegularExpressionMatch match = ended.match(Shown("Status line"));
  Press("Stop", "View");
  StopClient();
  // The reference: the capture tool's logging run on the live simulator.
  std::string err;
  ASSERT_EQ(testing::RunProgram(
                {KELVARA_CAPTURE_PATH, "--port", std::to_string(sim->port()), "--total", std::to_string(kFrames),
                 "--csv", "--png", "--bin", "--name", "e2e", "--out", work_.Path("live")},
                &err),
            0)
      << err;

  const std::string path = match.captured(2).toStdString();
  recording::RecordingReader reader;
  ASSERT_TRUE(reader.Open(path)) << reader.error();
  EXPECT_EQ(reader.trailing_bytes(), 0u);  // closed whole
  ASSERT_EQ(reader.frames().size(), static_cast<size_t>(match.captured(1).toInt()));
  ASSERT_GE(reader.frames().size(), static_cast<size_t>(kFrames));
  const recording::CameraReply* version = reader.header().Find(CMD_GET_VERSION);
  ASSERT_NE(version, nullptr);

  StartClient({path}, work_.Path("played"));
  const std::string name = fs::path(path).filename().string();
  // The recorded camera: its version in the title, its file as the connection.
  ASSERT_TRUE(Await([&] { return Title().find(VersionText(version->payload)) != std::string::npos; }))
      << Title() << " lacks " << VersionText(version->payload);
  EXPECT_TRUE(Shown("Connection status").startsWith(QString::fromStdString(name + " - server")))
      << Shown("Connection status").toStdString();
  // The first frame, paused: the pattern's distance at the centre pixel
  // (row 119, column 159: 400 + 16 * 119 + 159 mm).
  EXPECT_TRUE(Await([&] { return probe_.Text(Node("Value of Center")).trimmed() == QStringLiteral("2463 mm"); }))
      << probe_.Text(Node("Value of Center")).toStdString();
  EXPECT_TRUE(Await([&] { return Shown("Frames received") == QStringLiteral("Received 1"); }))
      << Shown("Frames received").toStdString();
  const QString frames = QStringLiteral(" of %1,").arg(reader.frames().size());
  EXPECT_TRUE(Await([&] { return Shown("Position").startsWith(QStringLiteral("frame 1") + frames); }))
      << Shown("Position").toStdString();
  // A step forward and back: the first frame on screen again.
  ASSERT_TRUE(probe_.Press(Node("Step forward", "Playback")));
  EXPECT_TRUE(Await([&] { return Shown("Position").startsWith(QStringLiteral("frame 2") + frames); }))
      << Shown("Position").toStdString();
  ASSERT_TRUE(Await([&] { return probe_.Enabled(Node("Open recording...")); }));
  ASSERT_TRUE(probe_.Press(Node("Step back", "Playback")));
  EXPECT_TRUE(Await([&] { return Shown("Position").startsWith(QStringLiteral("frame 1") + frames); }))
      << Shown("Position").toStdString();
  ASSERT_TRUE(Await([&] { return probe_.Enabled(Node("Open recording...")); }));

  // A logging run over the paused recording plays it from the frame shown.
  ASSERT_TRUE(probe_.Press(Node("Start", "Logging")));
  const std::string settings = work_.Path("played") + "/e2e.txt";
  ASSERT_TRUE(Await([&] { return fs::exists(settings) && fs::file_size(settings) > 0; }, 120000));
  ASSERT_TRUE(Await([&] { return probe_.Enabled(Node("Open recording...")); }));
  const auto live = testing::ReadTree(work_.Path("live"));
  const auto played = testing::ReadTree(work_.Path("played"));
  EXPECT_GT(live.size(), static_cast<size_t>(kFrames));
  ASSERT_EQ(live.size(), played.size());
  for (const auto& [name, bytes] : live) {
    const auto it = played.find(name);
    ASSERT_NE(it, played.end()) << name << " missing from the client's logging run";
    EXPECT_TRUE(it->second == bytes) << name << " differs";
  }
  EXPECT_EQ(Shown("Frames lost"), QStringLiteral("Lost 0"));
}

// "Kelvara FILE.kvrec" while a client runs (a file manager's double-click):
// the second start hands the file over and ends; the running client opens it.
TEST_F(PlaybackE2eTest, ASecondStartHandsItsRecordingToTheRunningClient) {
  auto sim = testing::SimProcess::Start({"--scene", "pattern"});
  ASSERT_TRUE(sim) << testing::SimProcess::last_error();
  std::string err;
  ASSERT_EQ(testing::RunProgram({KELVARA_CAPTURE_PATH, "--port", std::to_string(sim->port()), "--total", "3",
                                 "--record", work_.Path("r.kvrec")},
                                &err),
            0)
      << err;
  StartClient({}, work_.Path("played"));
  ASSERT_TRUE(Await([&] { return probe_.Enabled(Node("Open recording...")); }));

  // The second start, from the recording's folder with a relative path.
  const std::string program = program_.Path("Kelvara");
  std::string file = "r.kvrec";
  char* argv[] = {const_cast<char*>(program.c_str()), file.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, work_.path().c_str());
  pid_t second = -1;
  ASSERT_EQ(posix_spawn(&second, program.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  int status = -1;
  const bool ended = Await([&] { return waitpid(second, &status, WNOHANG) == second; }, 30000);
  if (!ended) {
    kill(second, SIGKILL);
    waitpid(second, &status, 0);
  }
  ASSERT_TRUE(ended) << "the second start did not end (it said \"already running\"?)";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(Await([&] { return Shown("Connection status").startsWith(QStringLiteral("r.kvrec - server")); }))
      << Shown("Connection status").toStdString();
  EXPECT_TRUE(Await([&] { return Shown("Position").startsWith(QStringLiteral("frame 1 of 3,")); }))
      << Shown("Position").toStdString();
}

TEST_F(PlaybackE2eTest, AFileThatIsNoRecordingIsReportedAndTheClientStarts) {
  const std::string bad = work_.Path("notes.kvrec");
  std::ofstream(bad) << "some notes, not a recording";
  StartClient({bad}, work_.Path("played"));
  ASSERT_TRUE(Await([&] { return probe_.Find(QStringLiteral("OK")).has_value(); }));
  ASSERT_TRUE(probe_.Press(Node("OK")));
  EXPECT_TRUE(Await([&] { return Title().find("Qor Imager Client") != std::string::npos; }));
  EXPECT_EQ(Title().find("Server Version"), std::string::npos);
  EXPECT_EQ(Shown("Connection status"), QStringLiteral("Not connected"));
  EXPECT_TRUE(probe_.Enabled(Node("Open recording...")));
}

}  // namespace
}  // namespace kelvara

int main(int argc, char** argv) { return kelvara::testing::RunAccessibilityTests(argc, argv); }
