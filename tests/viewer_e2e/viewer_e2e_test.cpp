// End to end, on an X display (run under xvfb-run): the viewer program is
// started, fed an angle table and a distance file through libvelmar.so, and
// its window "Qor 3D Viewer" must show coloured points. A second viewer
// must exit with status 1; SIGTERM ends the first one cleanly. Keys sent to
// the window: r shows the whole room from the camera's side, h shows and
// hides the key list. The viewer writes nothing to its console, except why
// it cannot start when its runtime directory is unusable.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bridge/velmar.h"
#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "camsim/room_scene.h"
#include "common/runtime_dir.h"
#include "feed3d/angle_file.h"
#include "feed3d/viewer_window.h"
#include "testing/await.h"
#include "testing/child_process.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"
#include "tests/viewer_e2e/cloud_picture.h"
#include "tests/viewer_e2e/xwd_image.h"

namespace kelvara {
namespace {

using testing::ReadFile;

using std::chrono::milliseconds;
using std::chrono::seconds;

// Each check is a command to the viewer: one every 50 ms.
bool Await(const std::function<bool()>& condition, seconds limit) {
  return testing::Await(condition, limit, milliseconds(50));
}

// Starts `argv` with its standard output and error captured.
std::unique_ptr<testing::ChildProcess> Spawn(const std::vector<std::string>& argv) {
  return std::make_unique<testing::ChildProcess>(
      argv, testing::ChildProcess::Options{testing::ChildProcess::kCapture, testing::ChildProcess::kCapture});
}

// Waits for the process to end; its exit status, or -1 (signal, time-out).
int AwaitExit(testing::ChildProcess* child, seconds limit) {
  std::optional<int> status = child->Wait(limit);
  if (!status) {
    child->Terminate(milliseconds(0), SIGKILL);
    return -1;
  }
  return WIFEXITED(child->wait_status()) ? *status : -1;
}

// Pixels whose colour is not a grey: the points (the background is black,
// the visualizer's own texts are white).
int ColouredPixels(const testing::RgbImage& image) {
  int count = 0;
  for (uint32_t p : image.pixels) {
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    if (std::abs(r - g) > 40 || std::abs(g - b) > 40 || std::abs(r - b) > 40) ++count;
  }
  return count;
}

// The room scene's angle table, written as the client writes "angle.csv",
// and its distance frame at 0 s as the export ring holds it (the ball is
// then in the middle, 4 m away; the doorway is right of it).
void WriteRoomFiles(const std::string& angle_path, const std::string& data_path) {
  camsim::RoomScene room(1, /*noise=*/false);
  const unsigned char* reply = room.AngleTable();
  ThetaPhiTable table;
  for (int i = 0; i < kPixelCount; ++i) {
    table.theta.push_back(static_cast<uint16_t>(reply[2 * i] | (reply[2 * i + 1] << 8)));
    table.phi.push_back(static_cast<uint16_t>(reply[kPlaneBytes + 2 * i] | (reply[kPlaneBytes + 2 * i + 1] << 8)));
  }
  ASSERT_TRUE(WriteAngleFile(angle_path, table));
  camsim::CameraParameters distances;  // starts in "Distance(Polar)"
  const unsigned char* frame = room.Frame(distances, 0.0);
  std::ofstream(data_path, std::ios::binary).write(reinterpret_cast<const char*>(frame), kExportFrameBytes);
}

class ViewerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    dir_ = folder_.path();
    setenv("KELVARA_RUNTIME_DIR", (dir_ + "/run").c_str(), 1);
  }
  void TearDown() override {
    if (viewer_) viewer_->Terminate(milliseconds(0), SIGKILL);
  }

  // A screenshot of the window (reading the window's pixels sends the
  // viewer no event); KELVARA_E2E_KEEP_DUMP=PREFIX keeps it as
  // PREFIX`name`.xwd.
  testing::RgbImage Screenshot(const std::string& name) {
    const std::string dump = dir_ + "/" + name + ".xwd";
    testing::RgbImage image;
    EXPECT_EQ(testing::RunProgram({XWD_PATH, "-silent", "-name", "Qor 3D Viewer", "-out", dump}), 0);
    EXPECT_TRUE(testing::ParseXwd(ReadFile(dump), &image));
    if (const char* keep = std::getenv("KELVARA_E2E_KEEP_DUMP"))
      std::filesystem::copy_file(dump, keep + name + ".xwd", std::filesystem::copy_options::overwrite_existing);
    return image;
  }
  // Types `key` into the window.
  static bool Press(const std::string& key) {
    return testing::RunProgram({XDOTOOL_PATH, "search", "--name", "^Qor 3D Viewer$", "key", "--window", "%1", key}) ==
           0;
  }

  // Turns the mouse wheel over the window, `notches` towards the user.
  static bool Wheel(int notches) {
    return testing::RunProgram({XDOTOOL_PATH, "search", "--name", "^Qor 3D Viewer$", "mousemove", "--window", "%1",
                                "100", "100", "click", "--repeat", std::to_string(notches), "5"}) == 0;
  }

  kelvara::testing::TempFolder folder_{"kelvara-e2e"};
  std::string dir_;
  std::unique_ptr<testing::ChildProcess> viewer_;
};

TEST_F(ViewerEndToEnd, ShowsTheCloudAndServesOneViewerOnly) {
  // The pattern scene's angle table, written as the client writes it, and
  // its distance frame as the export ring holds it.
  ThetaPhiTable table;
  for (int r = 0; r < 240; ++r)
    for (int c = 0; c < 320; ++c) table.theta.push_back(pattern::Theta(r, c));
  const std::string angle_path = dir_ + "/angle.csv";
  ASSERT_TRUE(WriteAngleFile(angle_path, table));
  const std::vector<unsigned char> frame = pattern::Frame(1);
  const std::string data_path = dir_ + "/data_0.bin";
  std::ofstream(data_path, std::ios::binary).write(reinterpret_cast<const char*>(frame.data()), 614400);

  viewer_ = Spawn({ORVINEL_PATH});
  ASSERT_TRUE(viewer_->started()) << viewer_->error();
  auto console = [this] {
    viewer_->ReadAvailable();
    return viewer_->out() + viewer_->err();
  };

  // The viewer takes commands once its socket listens; the range also
  // places the camera so that the cloud is in view.
  ASSERT_TRUE(Await([] { return Qor3D_UpdateDistanceRange(0, 12500) == 0; }, seconds(60))) << console();
  ASSERT_TRUE(Await([] { return ViewerWindowExists(); }, seconds(60)));
  auto send = [](const std::function<int()>& call) { return Await([&] { return call() == 0; }, seconds(30)); };
  ASSERT_TRUE(send([&] { return Qor3D_UpdateAngleTable(angle_path.c_str()); }));
  ASSERT_TRUE(send([] { return Qor3D_UpdateColorRange(400, 4600); }));
  // The viewer is idle now. A cloud sent to it must reach the screen
  // without any window event: the viewer hands the next message over only
  // after the previous one's picture is drawn, so once the following
  // message has been taken, the cloud is on the screen.
  ASSERT_EQ(Qor3D_UpdateDistanceData(data_path.c_str()), 0);
  ASSERT_EQ(Qor3D_UpdateColorRange(400, 4600), 0);

  const testing::RgbImage image = Screenshot("window");
  EXPECT_GT(ColouredPixels(image), 2000) << "window " << image.width << "x" << image.height;

  // A second viewer finds the socket served and ends with status 1.
  auto second = Spawn({ORVINEL_PATH});
  ASSERT_TRUE(second->started()) << second->error();
  EXPECT_EQ(AwaitExit(second.get(), seconds(60)), 1);
  EXPECT_EQ(Qor3D_UpdateColorRange(0, 12500), 0);  // the first one still serves

  // SIGTERM ends the first viewer cleanly: status 0, socket removed, window gone.
  kill(viewer_->pid(), SIGTERM);
  EXPECT_EQ(AwaitExit(viewer_.get(), seconds(30)), 0);
  EXPECT_NE(access(ViewerSocketPath().c_str(), F_OK), 0);
  EXPECT_FALSE(ViewerWindowExists());
  EXPECT_NE(Qor3D_UpdateColorRange(0, 12500), 0);

  // Nothing on the console.
  EXPECT_EQ(viewer_->out(), "");
  EXPECT_EQ(viewer_->err(), "");
}

// The axis triad's corner, as a share of the window's width and height.
constexpr double kTriadCorner = 0.2;

TEST_F(ViewerEndToEnd, KeysShowTheWholeRoomAndTheKeyList) {
  const std::string angle_path = dir_ + "/angle.csv";
  const std::string data_path = dir_ + "/data_0.bin";
  ASSERT_NO_FATAL_FAILURE(WriteRoomFiles(angle_path, data_path));
  viewer_ = Spawn({ORVINEL_PATH});
  ASSERT_TRUE(viewer_->started()) << viewer_->error();
  // The client's default range.
  ASSERT_TRUE(Await([] { return Qor3D_UpdateDistanceRange(0, 6250) == 0; }, seconds(60)));
  ASSERT_TRUE(Await([] { return ViewerWindowExists(); }, seconds(60)));
  auto send = [](const std::function<int()>& call) { return Await([&] { return call() == 0; }, seconds(30)); };
  ASSERT_TRUE(send([&] { return Qor3D_UpdateAngleTable(angle_path.c_str()); }));
  // Near points red to yellow (the floor below the camera), far ones blue
  // (the back wall, the ball).
  ASSERT_TRUE(send([] { return Qor3D_UpdateColorRange(0, 6000); }));
  ASSERT_TRUE(send([&] { return Qor3D_UpdateDistanceData(data_path.c_str()); }));
  ASSERT_TRUE(send([] { return Qor3D_UpdateColorRange(0, 6000); }));  // the cloud is drawn

  // The camera of the distance range: the room in the middle, the floor
  // at the bottom, the doorway (a gap in the wall) on the right, as
  // the client's picture shows the frame.
  const testing::RgbImage image = Screenshot("room_range");
  const int w = image.width, h = image.height;
  const testing::CloudPicture range = testing::DescribeCloudPicture(image, kTriadCorner);
  ASSERT_GT(range.coloured, 2000) << "window " << w << "x" << h;
  EXPECT_GT(range.nearRow, range.farRow);
  EXPECT_LT(range.farRight, range.farLeft);

  // r: the whole room, larger, inside the window, the same way up and round.
  // The key is handled once the picture changes.
  auto same_box = [](const testing::CloudPicture& a, const testing::CloudPicture& b) {
    return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom;
  };
  ASSERT_TRUE(Press("r"));
  testing::CloudPicture whole;
  ASSERT_TRUE(Await(
      [&] {
        whole = testing::DescribeCloudPicture(Screenshot("room_r"), kTriadCorner);
        return !same_box(whole, range);
      },
      seconds(30)));
  EXPECT_TRUE(whole.width() > 0.6 * w || whole.height() > 0.6 * h)
      << whole.width() << "x" << whole.height() << " in " << w << "x" << h;
  EXPECT_GT(whole.left, 0);
  EXPECT_GT(whole.top, 0);
  EXPECT_LT(whole.right, w - 1);
  EXPECT_LT(whole.bottom, h - 1);
  EXPECT_GT(whole.nearRow, whole.farRow);
  EXPECT_LT(whole.farRight, whole.farLeft);

  // After a new cloud and a zoom with the wheel, r again gives the same view.
  ASSERT_TRUE(send([&] { return Qor3D_UpdateDistanceData(data_path.c_str()); }));
  ASSERT_TRUE(send([] { return Qor3D_UpdateColorRange(0, 6000); }));
  ASSERT_TRUE(Wheel(5));
  testing::CloudPicture zoomed;
  ASSERT_TRUE(Await(
      [&] {
        zoomed = testing::DescribeCloudPicture(Screenshot("room_wheel"), kTriadCorner);
        return zoomed.width() < whole.width();
      },
      seconds(30)));
  ASSERT_TRUE(Press("r"));
  testing::CloudPicture again;
  EXPECT_TRUE(Await(
      [&] {
        again = testing::DescribeCloudPicture(Screenshot("room_r_again"), kTriadCorner);
        return same_box(again, whole);
      },
      seconds(30)))
      << "columns " << again.left << " to " << again.right << ", rows " << again.top << " to " << again.bottom;

  // h shows the key list in the window (over the hint to it) and hides it again.
  EXPECT_GT(whole.upperLeftText, 0);
  ASSERT_TRUE(Press("h"));
  testing::CloudPicture listed;
  EXPECT_TRUE(Await(
      [&] {
        listed = testing::DescribeCloudPicture(Screenshot("room_keys"), kTriadCorner);
        return listed.upperLeftText > whole.upperLeftText + 1000;
      },
      seconds(30)))
      << listed.upperLeftText << " text pixels, " << whole.upperLeftText << " without the list";
  ASSERT_TRUE(Press("h"));
  EXPECT_TRUE(Await(
      [&] {
        listed = testing::DescribeCloudPicture(Screenshot("room_no_keys"), kTriadCorner);
        return listed.upperLeftText == whole.upperLeftText;
      },
      seconds(30)));

  kill(viewer_->pid(), SIGTERM);
  EXPECT_EQ(AwaitExit(viewer_.get(), seconds(30)), 0);
  EXPECT_EQ(viewer_->out(), "");
  EXPECT_EQ(viewer_->err(), "");
}

// The viewer and the sender say what is wrong with the runtime directory:
// missing (nobody started a viewer yet) or writable by others (the fix).
TEST_F(ViewerEndToEnd, RuntimeDirectoryProblemsAreToldWithTheirFix) {
  const std::string run = dir_ + "/run";
  std::string err;
  EXPECT_EQ(testing::RunProgram({SEND_TOOL_PATH, "range", "0", "12500"}, &err), 1);
  EXPECT_EQ(err, "kelvara-3d-send: no viewer is running\n");

  ASSERT_EQ(mkdir(run.c_str(), 0700), 0);
  ASSERT_EQ(chmod(run.c_str(), 0777), 0);
  EXPECT_EQ(testing::RunProgram({SEND_TOOL_PATH, "range", "0", "12500"}, &err), 1);
  EXPECT_NE(err.find("chmod 700 " + run + "\n"), std::string::npos) << err;
  auto viewer = Spawn({ORVINEL_PATH});
  ASSERT_TRUE(viewer->started()) << viewer->error();
  EXPECT_EQ(AwaitExit(viewer.get(), seconds(60)), 1);
  viewer->ReadAvailable();
  EXPECT_NE(viewer->err().find("chmod 700 " + run + "\n"), std::string::npos) << viewer->err();
  EXPECT_FALSE(ViewerWindowExists());
}

}  // namespace
}  // namespace kelvara
