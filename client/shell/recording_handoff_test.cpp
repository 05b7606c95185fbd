// The channel through which a second start hands a recording to the client
// already running: the path arrives absolute, the sender hears that it was
// taken, a socket file left by a client that died is replaced, and without
// a listener the sender hears no.
#include "shell/recording_handoff.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "config/testing/temp_program_folder.h"

namespace kelvara {
namespace {

// Hands `path` over from another thread (as the second process would) while
// this thread's event loop serves the listener.
bool HandOver(const std::string& socket, const std::string& path) {
  std::future<bool> taken = std::async(std::launch::async, [&] { return HandOverRecording(socket, path, 10000); });
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return taken.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 20000));
  return taken.get();
}

TEST(RecordingHandoffTest, ThePathReachesTheRunningClientAbsolute) {
  testing::TempProgramFolder folder;
  const std::string socket = folder.path() + "open-recording";
  std::ofstream(socket) << "left by a client that died";
  std::vector<std::string> opened;
  RecordingHandoff handoff(socket, [&](const std::string& path) { opened.push_back(path); });
  ASSERT_TRUE(handoff.Listening());
  EXPECT_TRUE(HandOver(socket, "/data/r 1.kvrec"));
  EXPECT_TRUE(HandOver(socket, "rel/r.kvrec"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 10000));
  EXPECT_EQ(opened[0], "/data/r 1.kvrec");
  EXPECT_EQ(opened[1], QDir::current().absoluteFilePath(QStringLiteral("rel/r.kvrec")).toStdString());
}

TEST(RecordingHandoffTest, WithoutARunningClientNothingIsTaken) {
  testing::TempProgramFolder folder;
  const std::string socket = folder.path() + "open-recording";
  EXPECT_FALSE(HandOver(socket, "/data/r.kvrec"));
  {
    RecordingHandoff gone(socket, [](const std::string&) {});
  }
  EXPECT_FALSE(HandOver(socket, "/data/r.kvrec"));
}

}  // namespace
}  // namespace kelvara
