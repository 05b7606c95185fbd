// The program Kelvara as a user starts it (its own process, with the
// simulator's port chosen last in its profile), driven through the
// accessibility bus (AT-SPI, as assistive tools see it) and xdotool: where
// its windows open on the screen, the pixel readout, measuring between two
// pixels, the status bar's frame health and lost link, and a logging start
// without a folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "camsim/testing/sim_process.h"
#include "testing/temp_folder.h"
#include "tests/daily_e2e/atspi_probe.h"
#include "tests/viewer_e2e/xwd_image.h"

extern char** environ;

namespace kelvara {
namespace {

namespace fs = std::filesystem;
using testing::AtSpiProbe;

bool Await(const std::function<bool()>& condition, int ms = 30000) { return QTest::qWaitFor(condition, ms); }

std::string Output(const std::string& command) { return testing::CommandOutput(command); }

std::string Xdotool(const std::string& args) {
  return Output("timeout 10 " KELVARA_XDOTOOL " " + args + " 2>/dev/null");
}

// A window's frame on the screen, from xdotool's shell output.
QRect WindowRect(const std::string& window) {
  const std::string out = Xdotool("getwindowgeometry --shell " + window);
  auto value = [&](const char* key) {
    const size_t at = out.find(std::string(key) + "=");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + std::strlen(key) + 1);
  };
  return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

QRect ScreenRect() {
  int w = 0, h = 0;
  std::sscanf(Xdotool("getdisplaygeometry").c_str(), "%d %d", &w, &h);
  return QRect(0, 0, w, h);
}

// The window's pixels as xwd dumps them.
bool Grab(const std::string& window, testing::RgbImage* image) {
  const std::string bytes = Output("timeout 10 " KELVARA_XWD " -silent -id " + window);
  return testing::ParseXwd(bytes, image);
}

// How many pixels differ between two grabs within `radius` of (x, y).
int ChangedAround(const testing::RgbImage& a, const testing::RgbImage& b, int x, int y, int radius) {
  int changed = 0;
  for (int yy = std::max(0, y - radius); yy < std::min(a.height, y + radius); ++yy)
    for (int xx = std::max(0, x - radius); xx < std::min(a.width, x + radius); ++xx)
      changed += a.pixels[yy * a.width + xx] != b.pixels[yy * b.width + xx];
  return changed;
}

class DailyUseTest : public ::testing::Test {
 protected:
  // A program folder of its own: the program copied (it keeps its profile
  // beside itself), the rest of the build's program folder linked.
  void SetUp() override {
    testing::PrepareClientFolder(KELVARA_BIN_DIR, program_.path());
    fs::create_directory(program_.Path("logs"));
  }

  void TearDown() override {
    if (client_ > 0) {
      kill(client_, SIGTERM);
      int status = 0;
      for (int i = 0; i < 300 && waitpid(client_, &status, WNOHANG) == 0; ++i) QTest::qWait(50);
      kill(client_, SIGKILL);
      waitpid(client_, &status, 0);
    }
  }

  void StartSimulator(std::vector<std::string> args, const char* scene = "room") {
    args.insert(args.begin(), {"--scene", scene});
    sim_ = testing::SimProcess::Start(args);
    ASSERT_TRUE(sim_) << testing::SimProcess::last_error();
  }

  // Starts the program with the simulator's port chosen last and the
  // logging folder `save_path`, from the working folder `cwd_`.
  void StartClient(const std::string& save_path) {
    std::ofstream(program_.Path("Kelvara.ini")) << "[Application]\r\nCOMPortName=COM" << (sim_ ? sim_->port() : 0)
                                                << "\r\n[Logging]\r\nSavePath=" << save_path << "\r\nFileName=run\r\n";
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string program = program_.Path("Kelvara");
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd_.path().c_str());
    ASSERT_EQ(posix_spawn(&client_, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_TRUE(probe_.Attach(client_, 30000)) << "the program did not appear on the accessibility bus";
    ASSERT_TRUE(Await([&] { return !Window("Qor Imager - Image View").empty(); }));
  }

  // How many windows of the program are shown (a list that opens is one).
  int Windows() {
    const std::string found = Xdotool("search --all --onlyvisible --pid " + std::to_string(client_) + " ''");
    return static_cast<int>(std::count(found.begin(), found.end(), '\n'));
  }

  std::string Window(const std::string& title) {
    const std::string found =
        Xdotool("search --all --onlyvisible --pid " + std::to_string(client_) + " --name '^" + title + "'");
    return found.substr(0, found.find('\n'));
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

  void Connect() {
    Press("Connect");
    ASSERT_TRUE(Await([&] { return Shown("Connection status").contains(QStringLiteral("server")); }))
        << Shown("Connection status").toStdString();
  }

  testing::TempFolder program_{"kelvara-daily"};
  testing::TempFolder cwd_{"kelvara-daily-cwd"};
  std::unique_ptr<testing::SimProcess> sim_;
  pid_t client_ = -1;
  AtSpiProbe probe_;
};

// Run on screens of 1366x768 and 1920x1080 (two registrations).
TEST_F(DailyUseTest, EveryWindowLiesInsideTheScreenAndClearOfTheViewButtons) {
  StartSimulator({});
  StartClient(program_.Path("logs"));
  const QRect screen = ScreenRect();
  ASSERT_FALSE(screen.isEmpty());
  const QRect dialog = WindowRect(Window("Qor Imager Client"));
  const QRect picture = WindowRect(Window("Qor Imager - Image View"));
  EXPECT_TRUE(screen.contains(dialog)) << dialog.x() << "," << dialog.y() << " " << dialog.width() << "x"
                                       << dialog.height();
  EXPECT_TRUE(screen.contains(picture)) << picture.x() << "," << picture.y() << " " << picture.width() << "x"
                                        << picture.height();
  const QRect buttons = probe_.Extents(Node("Picture")).united(probe_.Extents(Node("3D Start")));
  ASSERT_FALSE(buttons.isEmpty());
  EXPECT_FALSE(picture.intersects(buttons));
  if (screen.width() >= dialog.width() + picture.width()) {
    EXPECT_GE(picture.left(), dialog.right());
  }
}

#if KELVARA_HAS_VIEWER
// The 3D viewer opens at half the screen; the client then places it beside
// the dialog, narrower where it fits only so, inside the screen.
TEST_F(DailyUseTest, TheViewerIsPlacedInsideTheScreenBesideTheDialog) {
  for (const char* name : {"Orvinel", "libvelmar.so"}) {
    std::error_code ignored;
    fs::create_symlink(std::string(KELVARA_BIN_DIR) + name, program_.Path(name), ignored);
  }
  fs::create_directory(program_.Path("3d_data"));
  fs::copy_file(KELVARA_BIN_DIR "3d_data/angle.org", program_.Path("3d_data/angle.org"));
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  StartSimulator({});
  StartClient(program_.Path("logs"));
  Connect();
  Press("3D Start");
  auto viewer = [&] {
    const std::string found = Xdotool("search --all --onlyvisible --name '^Qor 3D Viewer$'");
    return found.substr(0, found.find('\n'));
  };
  ASSERT_TRUE(Await([&] { return !viewer().empty(); }, 120000));
  const QRect screen = ScreenRect();
  const QRect dialog = WindowRect(Window("Qor Imager Client"));
  QRect placed;
  EXPECT_TRUE(Await(
      [&] {
        placed = WindowRect(viewer());
        return screen.contains(placed) && !placed.intersects(dialog);
      },
      20000))
      << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
  Press("3D Stop");
  EXPECT_TRUE(Await([&] { return viewer().empty(); }, 30000));
}
#endif

TEST_F(DailyUseTest, AClickOnAPixelShowsItsReadoutAndThePixelItemFollowsTheMouse) {
  StartSimulator({});
  StartClient(program_.Path("logs"));
  Connect();
  Press("Picture");
  ASSERT_TRUE(Await([&] { return Shown("Frames received") == QStringLiteral("Received 1"); }));
  const std::string window = Window("Qor Imager - Image View");
  const QRect frame = WindowRect(window);
  // A point inside the first image: the images fill the window's left part.
  const int x = frame.width() / 4, y = frame.height() / 2;
  testing::RgbImage before, after;
  ASSERT_TRUE(Await([&] { return Grab(window, &before); }));
  Xdotool("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y));
  EXPECT_TRUE(Await([&] { return Shown("Pixel").startsWith(QStringLiteral("Pixel (")); }, 10000))
      << Shown("Pixel").toStdString();
  Xdotool("click --window " + window + " 1");
  // The readout is drawn beside the point clicked: the window changes there.
  EXPECT_TRUE(
      Await([&] { return Grab(window, &after) && ChangedAround(before, after, x + 20, y + 15, 25) > 20; }, 10000));
  EXPECT_TRUE(Shown("Pixel").contains(QStringLiteral(" mm")) || Shown("Pixel").contains(QStringLiteral("no data")))
      << Shown("Pixel").toStdString();
}

// Where the picture window draws its one image in a client area of
// `width` x `height`: 100 pixels for the legend, the 4:3 shape kept.
QRect OneImageRect(int width, int height) {
  int d = width - 100;
  int e = d * 240 / 320;
  if (e > height - 40) {
    e = height - 40;
    d = 320 * e / 240;
  }
  return QRect(40, 20, d, e);
}

// The pattern's point record of pixel (c, r): (c - 160, 120 - r, 400 + 16 r + c).
double PatternDistance(int c1, int r1, int c2, int r2) {
  auto point = [](int c, int r) { return std::array<double, 3>{c - 160.0, 120.0 - r, 400.0 + 16 * r + c}; };
  const auto a = point(c1, r1), b = point(c2, r2);
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// Shift+click on two pixels of the pattern scene in a point format: the
// status bar's "Measured distance" names them as the "Pixel" item does and
// gives the distance between their point records; the picture draws a line
// between them, which a plain click clears.
TEST_F(DailyUseTest, ShiftClicksMeasureTheDistanceBetweenTwoPatternPoints) {
  StartSimulator({}, "pattern");
  StartClient(program_.Path("logs"));
  Connect();
  // The pattern camera starts in "Distance(Polar)"; the next entry is
  // "Distance(Cartesian)", a point format, sent with the next picture. (A
  // combo box is named by its entry.)
  const std::optional<AtSpiProbe::Node> format =
      probe_.FindOfRole(QStringLiteral("Distance(Polar)"), QStringLiteral("combo box"));
  ASSERT_TRUE(format);
  const int windows = Windows();
  ASSERT_TRUE(probe_.Press(*format));  // opens its list
  ASSERT_TRUE(Await([&] { return Windows() > windows; }, 10000));
  Xdotool("key Down Return");
  ASSERT_TRUE(Await(
      [&] { return probe_.FindOfRole(QStringLiteral("Distance(Cartesian)"), QStringLiteral("combo box")).has_value(); },
      10000));
  Press("Picture");
  ASSERT_TRUE(Await([&] { return Shown("Frames received") == QStringLiteral("Received 1"); }));

  const std::string window = Window("Qor Imager - Image View");
  const QRect frame = WindowRect(window);
  const QRect image = OneImageRect(frame.width(), frame.height());
  const QPoint a(image.left() + image.width() / 4, image.top() + image.height() / 3);
  const QPoint b(image.left() + image.width() * 3 / 4, image.top() + image.height() * 2 / 3);
  auto move_to = [&](QPoint at) {
    Xdotool("mousemove --window " + window + " " + std::to_string(at.x()) + " " + std::to_string(at.y()));
  };
  // The camera pixel under a point, as the "Pixel" item names it; a point
  // format adds the pixel's point record.
  auto pixel_at = [&](QPoint at, int* c, int* r) {
    move_to(at);
    QString text;
    EXPECT_TRUE(Await(
        [&] {
          text = Shown("Pixel");
          return std::sscanf(text.toLatin1().constData(), "Pixel (%d, %d)", c, r) == 2 &&
                 text.contains(QStringLiteral(", x "));
        },
        10000))
        << text.toStdString();
  };
  int c1 = -1, r1 = -1, c2 = -1, r2 = -1;
  pixel_at(a, &c1, &r1);
  testing::RgbImage before, after;
  ASSERT_TRUE(Await([&] { return Grab(window, &before); }));
  Xdotool("keydown shift click 1 keyup shift");
  const QString first = QStringLiteral("A (%1, %2) - Shift+click a second pixel").arg(c1).arg(r1);
  EXPECT_TRUE(Await([&] { return Shown("Measured distance") == first; }, 10000))
      << Shown("Measured distance").toStdString();
  pixel_at(b, &c2, &r2);
  Xdotool("keydown shift click 1 keyup shift");
  char expected[96];
  std::snprintf(expected, sizeof expected, "(%d, %d) to (%d, %d): %.1f mm", c1, r1, c2, r2,
                PatternDistance(c1, r1, c2, r2));
  EXPECT_TRUE(Await([&] { return Shown("Measured distance") == QString::fromLatin1(expected); }, 10000))
      << Shown("Measured distance").toStdString() << " expected " << expected;
  EXPECT_NE(c1, c2);
  EXPECT_NE(r1, r2);
  // The line passes the middle between the two points.
  const QPoint middle = (a + b) / 2;
  EXPECT_TRUE(Await([&] { return Grab(window, &after) && ChangedAround(before, after, middle.x(), middle.y(), 3) > 0; },
                    10000));
  // A plain click clears the measure and its line (an empty item reads as
  // its tooltip).
  move_to(QPoint(image.left() + 5, image.bottom() - 5));
  Xdotool("click 1");
  const QString hint = QStringLiteral("Shift+click two pixels of the picture to measure the distance between them");
  EXPECT_TRUE(Await([&] { return Shown("Measured distance") == hint; }, 10000))
      << Shown("Measured distance").toStdString();
  EXPECT_TRUE(Await(
      [&] { return Grab(window, &after) && ChangedAround(before, after, middle.x(), middle.y(), 3) == 0; }, 10000));
}

TEST_F(DailyUseTest, DroppedRepliesCountAsLostFrames) {
  StartSimulator({"--drop-every", "3"});
  StartClient(program_.Path("logs"));
  Connect();
  Press("Start", "View");
  EXPECT_TRUE(Await([&] {
    const QString lost = Shown("Frames lost");
    return lost.startsWith(QStringLiteral("Lost ")) && lost.mid(5).toInt() > 0;
  })) << Shown("Frames lost").toStdString();
  EXPECT_TRUE(Shown("Frames received").mid(9).toInt() > 0);
  Press("Stop", "View");
}

TEST_F(DailyUseTest, ASimulatorGoneIsAConnectionLostWithConnectUsableAgain) {
  StartSimulator({});
  StartClient(program_.Path("logs"));
  Connect();
  Press("Start", "View");
  ASSERT_TRUE(Await([&] { return Shown("Frames received").mid(9).toInt() > 3; }));
  sim_->Stop(SIGKILL);
  // The run ends with its message box; OK closes it.
  ASSERT_TRUE(Await([&] { return probe_.Find(QStringLiteral("OK")).has_value(); }, 60000));
  Press("OK");
  EXPECT_TRUE(Await([&] { return Shown("Connection status") == QStringLiteral("Connection lost"); }))
      << Shown("Connection status").toStdString();
  EXPECT_TRUE(probe_.Enabled(Node("Connect")));
  EXPECT_TRUE(probe_.Enabled(Node("Refresh")));
  EXPECT_FALSE(probe_.Enabled(Node("Start", "View")));
  EXPECT_TRUE(Window("Qor Imager Client").empty() == false);
  EXPECT_EQ(Output("timeout 10 " KELVARA_XDOTOOL " getwindowname " + Window("Qor Imager Client")).find("Server"),
            std::string::npos);
}

TEST_F(DailyUseTest, AnEmptyFolderStartsNothingAndWritesNothing) {
  StartSimulator({});
  StartClient("");
  Connect();
  Press("Start", "Logging");
  ASSERT_TRUE(Await([&] { return probe_.Find(QStringLiteral("OK")).has_value(); }));
  Press("OK");
  EXPECT_EQ(Shown("Frames received"), QStringLiteral("Received -"));
  QTest::qWait(500);
  EXPECT_TRUE(fs::is_empty(cwd_.path()));
  EXPECT_TRUE(fs::is_empty(program_.Path("logs")));
}

}  // namespace
}  // namespace kelvara

int main(int argc, char** argv) { return kelvara::testing::RunAccessibilityTests(argc, argv); }
