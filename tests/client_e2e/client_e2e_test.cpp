// The client end to end: the main dialog with its panels and the picture
// window, in this process on an X display, against kelvara-camsim's
// pattern scene over a pseudo-terminal. Buttons are clicked as a user
// would; the files of a logging run are compared byte for byte with those
// of kelvara-capture run with the same settings.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"
#include "camsim/room_scene.h"
#include "camsim/testing/sim_process.h"
#include "config/connection_panel.h"
#include "config/profile_store.h"
#include "config/setting_panel.h"
#include "config/testing/recording_notifier.h"
#include "display/picture_window.h"
#include "display/rendering_model.h"
#include "display/sample_mapping.h"
#include "display/view_filters.h"
#include "display/view_panel.h"
#include "feed3d/viewer_window.h"
#include "link/serial_library.h"
#include "logging/logging_panel.h"
#include "playback/playback_bar.h"
#include "recording/recording_writer.h"
#include "shell/client_paths.h"
#include "shell/kelvara_dlg.h"
#include "testing/test_files.h"
#include "tests/viewer_e2e/xwd_image.h"
#include "trends/trends_window.h"

namespace kelvara {
namespace {

using testing::ListFolder;
using testing::PrivateRuntimeDir;
using testing::ReadFile;
using testing::SimProcess;

int CountSuffix(const std::set<std::string>& names, const std::string& suffix) {
  int n = 0;
  for (const std::string& name : names)
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) ++n;
  return n;
}

bool Await(const std::function<bool()>& condition, int timeout_ms = 60000) {
  return QTest::qWaitFor(condition, timeout_ms);
}

class ClientEndToEnd : public ::testing::Test {
 protected:
  // The simulator's arguments: the camera the dialog connects to.
  virtual std::vector<std::string> SimArguments() const { return {"--scene", "pattern"}; }

  void SetUp() override {
    sim_ = SimProcess::Start(SimArguments());
    ASSERT_TRUE(sim_) << SimProcess::last_error();
    ASSERT_TRUE(folder_.isValid());
    paths_.program_folder = KELVARA_BIN_DIR;
    // As a copy run from its build folder: 3d_data/ and the upload marker
    // beside the programs (the viewer is started from there too).
    paths_.data_folder = KELVARA_BIN_DIR;
    paths_.profile_path = Folder() + "/Kelvara.ini";
    ASSERT_TRUE(PrepareClientFolders(paths_));
    // The port the user used last, so that it is preselected.
    IniSetFilePath(paths_.profile_path);
    IniWriteString("Application", "COMPortName", "COM" + std::to_string(sim_->port()));
    dlg_ = std::make_unique<CKelvaraDlg>(paths_, notifier_, UartSerialLibrary());
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    QDir().mkpath(KELVARA_ARTEFACTS_DIR);
  }
  void TearDown() override {
    if (dlg_) dlg_->Shutdown();
    dlg_.reset();
  }

  std::string Folder() const { return folder_.path().toStdString(); }
  template <typename T>
  T* Control(QWidget* root, int id) {
    T* control = root->findChild<T*>(QStringLiteral("id%1").arg(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  void Click(QWidget* root, int id) {
    QAbstractButton* button = Control<QAbstractButton>(root, id);
    ASSERT_TRUE(button->isEnabled()) << id;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  void Connect() {
    EXPECT_EQ(dlg_->connection()->PortList()->currentText().toStdString(), "COM" + std::to_string(sim_->port()));
    Click(dlg_->connection(), 1004);
    ASSERT_TRUE(Await([&] { return dlg_->windowTitle().contains("Server Version"); }))
        << dlg_->windowTitle().toStdString();
  }
  // Sets the logging panel for a run of `total` frames named `name` into
  // `folder` with CSV, PNG and raw files, and presses Start.
  void StartLogging(const std::string& folder, const std::string& name, int total) {
    CLogging* logging = dlg_->logging();
    for (int id : {4000, 4001, 4002}) {
      if (!Control<QCheckBox>(logging, id)->isChecked()) Click(logging, id);
    }
    QSpinBox* total_field = Control<QSpinBox>(logging, 4010);
    total_field->selectAll();
    QTest::keyClicks(total_field, QString::number(total));
    QTest::keyClick(total_field, Qt::Key_Return);
    Control<QLineEdit>(logging, 4030)->setText(QString::fromStdString(name));
    Control<QPlainTextEdit>(logging, 4040)->setPlainText(QString::fromStdString(folder));
    Click(logging, 3000);
    ASSERT_EQ(Control<QPushButton>(logging, 3000)->text(), QStringLiteral("Stop"));
  }
  bool LoggingEnded() {
    return Control<QPushButton>(dlg_->logging(), 3000)->text() == QLatin1String("Start") && !dlg_->WorkerRunning();
  }
  // Presses "Picture" with the picture window at `width` x `height` and
  // returns the window once the single measurement is shown.
  QImage TakePicture(int width, int height) {
    CViewPicture* picture = dlg_->picture();
    picture->resize(width, height);
    Click(dlg_->view(), 3001);
    EXPECT_TRUE(Await([&] { return dlg_->rendering().ReadPicture().SlotReady(0) && !dlg_->WorkerRunning(); }));
    QCoreApplication::processEvents();
    return picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  // Compares samples of an image drawn at the camera's size at (left, top)
  // with the pixel `expected(r, c)` gives; both flips off: row 0 at the bottom.
  template <typename Expected>
  void ExpectImage(const QImage& image, int left, int top, Expected expected) {
    for (int r : {0, 5, 100, 239})
      for (int c : {1, 2, 3, 50, 319})
        EXPECT_EQ(image.pixel(left + c, top + 239 - r), expected(r, c) | 0xff000000u) << r << "," << c;
  }
  void SaveScreenshot(QWidget* window, const char* name) {
    window->grab().save(QString::fromLatin1(KELVARA_ARTEFACTS_DIR) + "/" + name);
  }

  PrivateRuntimeDir runtime_;
  std::unique_ptr<SimProcess> sim_;
  QTemporaryDir folder_;
  ClientPaths paths_;
  RecordingNotifier notifier_;
  std::unique_ptr<CKelvaraDlg> dlg_;
};

TEST_F(ClientEndToEnd, PictureShowsThePattern) {
  Connect();
  const QImage image = TakePicture(420, 280);  // one image at the camera's size, at (40, 20)
  const MappingSettings settings = dlg_->rendering().CurrentMapping();
  ExpectImage(image, 40, 20, [&](int r, int c) { return MapDistance(pattern::Distance(r, c), settings); });
  char centre[32];
  std::snprintf(centre, sizeof centre, "%5d mm", pattern::Distance(119, 159));
  EXPECT_EQ(Control<QLineEdit>(dlg_->view(), 3040)->text().toStdString(), centre);
  SaveScreenshot(dlg_.get(), "main_dialog.png");
  SaveScreenshot(dlg_->picture(), "picture_window.png");
  EXPECT_TRUE(notifier_.Messages().empty()) << notifier_.Messages().front();
}

// Yesterday's measurement reopened: a recording of pattern frames in
// "Distance(Polar)+AMP", with a version and settings other than the
// camera's power-on ones, served in a loop by the simulator's replay.
class ClientOnAReplay : public ClientEndToEnd {
 protected:
  static constexpr int kFormat = 4;  // "Distance(Polar)+AMP"
  static constexpr uint32_t kBuild = 4711;
  static constexpr int kMode = 1, kExposure = 300, kFrameRateLimiter = 12, kEnrThreshold = 777;

  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    recording::RecordingHeader header;
    header.format_code = kFormatCodes[kFormat];
    std::vector<unsigned char> version = pattern::VersionPayload();
    for (int k = 0; k < 4; ++k) version[15 + k] = static_cast<unsigned char>(kBuild >> (24 - 8 * k));
    const auto high = [](int v) { return static_cast<unsigned char>(v >> 8); };
    const auto low = [](int v) { return static_cast<unsigned char>(v & 0xFF); };
    header.replies = {
        {CMD_GET_VERSION, version},
        {CMD_GET_ANGLE_TABLE, pattern::AngleTable()},
        {CMD_GET_FORMAT, {high(header.format_code), low(header.format_code)}},
        {CMD_GET_MODE, {kMode}},
        {CMD_GET_EXPOSURE, {high(kExposure), low(kExposure), 0, 0, 0, 0, kFrameRateLimiter}},
        {CMD_GET_ENR_THRESHOLD, {high(kEnrThreshold), low(kEnrThreshold)}},
    };
    recording::RecordingWriter writer;
    ASSERT_TRUE(writer.Open(Recording(), header)) << writer.error();
    const std::vector<unsigned char> frame = pattern::Frame(kFormat);
    for (int k = 0; k < 3; ++k)
      ASSERT_TRUE(writer.Append(recording::RecordKind::kFrame, k * 100000000LL, frame.data(),
                                static_cast<uint32_t>(frame.size())));
    ASSERT_TRUE(writer.Close()) << writer.error();
    ClientEndToEnd::SetUp();
  }
  std::vector<std::string> SimArguments() const override { return {"--replay", Recording(), "--loop"}; }
  std::string Recording() const { return Folder() + "/yesterday.kvrec"; }
};

TEST_F(ClientOnAReplay, ThePictureAndTheSettingsAreTheRecordedOnesAndTheFormatStays) {
  Connect();
  EXPECT_TRUE(dlg_->windowTitle().endsWith(" / Server Version 1.0.5.00004711")) << dlg_->windowTitle().toStdString();
  CSetting* setting = dlg_->setting();
  QComboBox* format = Control<QComboBox>(setting, 2002);
  EXPECT_EQ(format->currentText().toStdString(), kFormatNames[kFormat]);
  EXPECT_EQ(Control<QComboBox>(setting, 2001)->currentIndex(), kMode);
  EXPECT_EQ(Control<QLineEdit>(setting, 2010)->text().toInt(), kExposure);
  EXPECT_EQ(Control<QLineEdit>(setting, 2012)->text().toInt(), kFrameRateLimiter);
  EXPECT_EQ(Control<QLineEdit>(setting, 2080)->text().toInt(), kEnrThreshold);

  // Distance and amplitude side by side, each at the camera's size.
  const QImage image = TakePicture(840, 280);
  const MappingSettings settings = dlg_->rendering().CurrentMapping();
  ExpectImage(image, 40, 20, [&](int r, int c) { return MapDistance(pattern::Distance(r, c), settings); });
  ExpectImage(image, 436, 20, [&](int r, int c) { return MapAmplitude(pattern::Amplitude(r, c), settings); });
  SaveScreenshot(dlg_->picture(), "replay_picture_window.png");
  EXPECT_TRUE(notifier_.Messages().empty()) << notifier_.Messages().front();

  // Another format cannot be set: the replay holds the recorded frames only.
  ASSERT_TRUE(Await([&] { return format->isEnabled(); }));
  format->setFocus();
  QTest::keyClick(format, Qt::Key_Down);
  ASSERT_EQ(format->currentIndex(), kFormat + 1);
  // The logging panel follows the pick: a point format logs PCD files.
  QAbstractButton* png = Control<QAbstractButton>(dlg_->logging(), 4001);
  QAbstractButton* pcd = Control<QAbstractButton>(dlg_->logging(), 4003);
  QCoreApplication::processEvents();
  ASSERT_TRUE(pcd->isVisible() && !png->isVisible());
  Click(setting, 2003);  // "Set" sends at once
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"Set parameter failed!! [ Format ]"});
  EXPECT_EQ(format->currentText().toStdString(), kFormatNames[kFormat]);
  // ... and back, with the camera's format.
  QCoreApplication::processEvents();
  EXPECT_TRUE(png->isVisible() && !pcd->isVisible());
}

// Counts the paints of a window.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Figures for the notes, not assertions on time: how often the picture
// window paints during a continuous run and the longest pause of the UI
// thread's event loop (a 5 ms timer's largest gap).
TEST_F(ClientEndToEnd, PaintRateAndLongestUiPauseDuringARun) {
  Connect();
  PaintCounter counter;
  dlg_->picture()->installEventFilter(&counter);
  QElapsedTimer clock;
  qint64 last = 0, longest = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  Click(dlg_->view(), 3000);
  ASSERT_TRUE(Await([&] { return dlg_->rendering().ReadPicture().SlotReady(0); }));
  counter.paints = 0;
  clock.start();
  ticker.start(5);
  QTest::qWait(3000);
  ticker.stop();
  const double seconds = clock.elapsed() / 1000.0;
  Click(dlg_->view(), 3000);
  dlg_->picture()->removeEventFilter(&counter);
  std::printf("picture paints per second: %.1f, longest UI pause: %lld ms\n", counter.paints / seconds,
              static_cast<long long>(longest));
  RecordProperty("paints_per_second", static_cast<int>(counter.paints / seconds));
  RecordProperty("longest_ui_pause_ms", static_cast<int>(longest));
  EXPECT_GT(counter.paints, 0);
}

TEST_F(ClientEndToEnd, LoggingRunMatchesTheCaptureToolByteForByte) {
  Connect();
  const std::string gui = Folder() + "/gui", tool = Folder() + "/tool";
  QDir().mkpath(QString::fromStdString(gui));
  StartLogging(gui, "e2e", 5);
  ASSERT_TRUE(Await([&] { return LoggingEnded(); }));
  // The port is the capture tool's now.
  dlg_->connection()->Refresh();
  const std::string command = std::string(KELVARA_CAPTURE_PATH) + " --port " + std::to_string(sim_->port()) +
                              " --total 5 --csv --png --bin --name e2e --out '" + tool + "' > '" + Folder() +
                              "/capture.log' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(Folder() + "/capture.log");
  const std::set<std::string> names = ListFolder(gui);
  EXPECT_EQ(names, ListFolder(tool));
  EXPECT_EQ(CountSuffix(names, ".raw"), 5 + 2);  // five frames, theta and phi
  EXPECT_EQ(CountSuffix(names, ".png"), 5);
  for (const std::string& name : names) EXPECT_TRUE(ReadFile(gui + "/" + name) == ReadFile(tool + "/" + name)) << name;
  EXPECT_TRUE(notifier_.Messages().empty()) << notifier_.Messages().front();
}

TEST_F(ClientEndToEnd, StopDuringALoggingRunLogsOneMoreFrameAndTheSettings) {
  Connect();
  const std::string gui = Folder() + "/stop";
  QDir().mkpath(QString::fromStdString(gui));
  StartLogging(gui, "run", 100000);
  int seen = 0;
  ASSERT_TRUE(Await([&] { return (seen = CountSuffix(ListFolder(gui), ".png")) >= 3; }));
  Click(dlg_->logging(), 3000);
  ASSERT_TRUE(Await([&] { return LoggingEnded(); }));
  const std::set<std::string> names = ListFolder(gui);
  const int frames = CountSuffix(names, ".png");
  EXPECT_GT(frames, seen);
  // More than 1000 logs: the raw files go to the thousands folder "0000".
  EXPECT_EQ(CountSuffix(ListFolder(gui + "/0000"), ".raw"), frames);
  EXPECT_EQ(CountSuffix(names, ".raw"), 2);  // theta and phi
  const std::string settings = ReadFile(gui + "/run.txt");
  EXPECT_EQ(settings.rfind("Number of samples : " + std::to_string(frames) + "\r\n", 0), 0u) << settings;
  EXPECT_NE(settings.find("  Format              : Distance(Polar)\r\n"), std::string::npos);
}

// A folder that cannot be one is refused when the logging run starts, with
// its full path, before anything is written.
TEST_F(ClientEndToEnd, AnUnusableFolderIsRefusedAtStart) {
  Connect();
  // A path below a plain file cannot be a folder, whoever runs the test.
  const std::string blocker = Folder() + "/plain-file";
  std::ofstream(blocker) << "x";
  CLogging* logging = dlg_->logging();
  Control<QLineEdit>(logging, 4030)->setText(QStringLiteral("bad"));
  Control<QPlainTextEdit>(logging, 4040)->setPlainText(QString::fromStdString(blocker + "/logs"));
  Click(logging, 3000);
  EXPECT_EQ(Control<QPushButton>(logging, 3000)->text(), QStringLiteral("Start"));
  EXPECT_FALSE(dlg_->WorkerRunning());
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"The folder does not exist. [ " + blocker + "/logs ]"});
}

#if KELVARA_HAS_VIEWER
int ColouredPixels(const testing::RgbImage& image) {
  int n = 0;
  for (uint32_t p : image.pixels) {
    const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
    if (std::max({r, g, b}) - std::min({r, g, b}) > 60) ++n;
  }
  return n;
}

// A screenshot of the viewer's window, taken until the cloud shows.
bool ViewerScreenshot(const std::string& dump, testing::RgbImage* image, int timeout_ms) {
  const std::string xwd = std::string(XWD_PATH) + " -silent -name 'Qor 3D Viewer' -out '" + dump + "'";
  return Await(
      [&] {
        if (std::system(xwd.c_str()) != 0) return false;
        if (!testing::ParseXwd(ReadFile(dump), image)) return false;
        return ColouredPixels(*image) > 2000;
      },
      timeout_ms);
}

TEST_F(ClientEndToEnd, ThreeDStartShowsTheCloudAndThreeDStopClosesTheViewer) {
  Connect();
  Click(dlg_->view(), 3002);
  ASSERT_TRUE(Await([] { return ViewerWindowExists(); }, 120000))
      << (notifier_.Messages().empty() ? std::string("no message") : notifier_.Messages().front());
  Click(dlg_->view(), 3000);  // a continuous measurement feeds the export ring
  const std::string dump = Folder() + "/viewer.xwd";
  testing::RgbImage image;
  EXPECT_TRUE(ViewerScreenshot(dump, &image, 120000))
      << "window " << image.width << "x" << image.height << ", coloured pixels " << ColouredPixels(image);
  std::system(("cp '" + dump + "' '" KELVARA_ARTEFACTS_DIR "/viewer.xwd'").c_str());
  Click(dlg_->view(), 3000);  // Stop
  Click(dlg_->view(), 3002);  // 3D Stop
  EXPECT_EQ(Control<QPushButton>(dlg_->view(), 3002)->text(), QStringLiteral("3D Start"));
  EXPECT_TRUE(Await([] { return !ViewerWindowExists(); }, 30000));
}
#endif

// The README's screenshots, on the room scene: the main dialog with the
// picture window, and the viewer. Taken only when KELVARA_SCREENSHOT_DIR
// names the folder to write them to (scripts/screenshots.sh).
class ClientScreenshots : public ClientEndToEnd {
 protected:
  std::vector<std::string> SimArguments() const override { return {"--scene", "room"}; }
};

TEST_F(ClientScreenshots, ClientAndViewer) {
  const char* dir = std::getenv("KELVARA_SCREENSHOT_DIR");
  if (!dir || !*dir) GTEST_SKIP() << "KELVARA_SCREENSHOT_DIR is not set";
  Connect();
  Click(dlg_->view(), 3000);
  ASSERT_TRUE(Await([&] { return dlg_->outputs().PicturesChanged() >= 10; }));
  QTest::qWait(300);
  // The two windows where the dialog placed them, on a plain background.
  QWidget* picture = dlg_->picture();
  const QRect area = dlg_->geometry().united(picture->geometry());
  QImage client(area.size(), QImage::Format_RGB32);
  client.fill(QColor(250, 250, 250));
  {
    QPainter painter(&client);
    painter.drawPixmap(dlg_->geometry().topLeft() - area.topLeft(), dlg_->grab());
    painter.drawPixmap(picture->geometry().topLeft() - area.topLeft(), picture->grab());
  }
  ASSERT_TRUE(client.save(QString::fromLatin1(dir) + "/kelvara-client.png"));
#if KELVARA_HAS_VIEWER
  Click(dlg_->view(), 3002);
  ASSERT_TRUE(Await([] { return ViewerWindowExists(); }, 120000));
  testing::RgbImage image;
  ASSERT_TRUE(ViewerScreenshot(Folder() + "/viewer.xwd", &image, 120000));
  QImage viewer(image.width, image.height, QImage::Format_RGB32);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) viewer.setPixel(x, y, image.pixels[y * image.width + x] | 0xff000000u);
  ASSERT_TRUE(viewer.save(QString::fromLatin1(dir) + "/orvinel-viewer.png"));
  Click(dlg_->view(), 3002);
#endif
  Click(dlg_->view(), 3000);
}

// A recording of the room scene in "Distance(Polar)+AMP": `frames` frames
// `gap_s` seconds apart, at scene time `still_s` (the ball held still) or, when
// negative, at each frame's own time; the temperatures before every frame.
void WriteRoomRecording(const std::string& path, camsim::RoomScene& room, int frames, double gap_s, double still_s) {
  camsim::CameraParameters p;
  p.format_code = kFormatCodes[4];  // "Distance(Polar)+AMP"
  recording::RecordingHeader header;
  header.format_code = p.format_code;
  const unsigned char* table = room.AngleTable();
  header.replies = {
      {CMD_GET_VERSION, pattern::VersionPayload()},
      {CMD_GET_ANGLE_TABLE, std::vector<unsigned char>(table, table + kThetaPhiTableBytes)},
      {CMD_GET_FORMAT, {static_cast<unsigned char>(p.format_code >> 8), static_cast<unsigned char>(p.format_code)}},
  };
  recording::RecordingWriter writer;
  ASSERT_TRUE(writer.Open(path, header)) << writer.error();
  for (int k = 0; k < frames; ++k) {
    const double t = k * gap_s;
    const int64_t t_ns = static_cast<int64_t>(t * 1e9);
    int16_t imager[4];
    int16_t led = 0;
    room.Temperatures(t, imager, &led);
    const int16_t words[5] = {imager[0], imager[1], imager[2], imager[3], led};
    unsigned char temperatures[recording::kTemperaturePayloadBytes];
    for (int i = 0; i < 5; ++i) {
      temperatures[2 * i] = static_cast<unsigned char>(words[i] & 0xFF);
      temperatures[2 * i + 1] = static_cast<unsigned char>((words[i] >> 8) & 0xFF);
    }
    ASSERT_TRUE(writer.Append(recording::RecordKind::kTemperatures, t_ns, temperatures, sizeof temperatures));
    ASSERT_TRUE(writer.Append(recording::RecordKind::kFrame, t_ns, room.Frame(p, still_s < 0 ? t : still_s),
                              static_cast<uint32_t>(kMeasurementFrameBytes)));
  }
  ASSERT_TRUE(writer.Close()) << writer.error();
}

// The README's playback screenshot: a recording of a warming camera played
// in the client, with the playback bar and the Trends window.
class ClientPlaybackScreenshots : public ClientEndToEnd {
 protected:
  std::string Recording() const { return Folder() + "/room.kvrec"; }
  void Press(QWidget* root, const char* name) {
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
      if ((button->accessibleName().isEmpty() ? button->text() : button->accessibleName()) == QLatin1String(name))
        return button->click();
    ADD_FAILURE() << name;
  }
};

TEST_F(ClientPlaybackScreenshots, PlaybackBarAndTrends) {
  const char* dir = std::getenv("KELVARA_SCREENSHOT_DIR");
  if (!dir || !*dir) GTEST_SKIP() << "KELVARA_SCREENSHOT_DIR is not set";
  camsim::RoomScene room(1);
  room.SetWarmUp(0.5);
  WriteRoomRecording(Recording(), room, 200, 0.05, -1);
  dlg_->OpenRecording(Recording());
  ASSERT_TRUE(dlg_->camera_switch().PlaysRecording());
  Press(dlg_->view(), "Trends");
  ASSERT_TRUE(Await([&] { return dlg_->trends() && dlg_->trends()->isVisible(); }));
  ASSERT_TRUE(Await([&] { return Control<QAbstractButton>(dlg_->view(), 3000)->isEnabled(); }));
  Press(dlg_.get(), "Play");
  ASSERT_TRUE(Await([&] { return dlg_->camera_switch().control().Status().shown >= 150; }, 60000));
  Press(dlg_.get(), "Play");  // now "Pause"
  ASSERT_TRUE(Await([&] { return dlg_->camera_switch().control().Status().paused; }));
  QTest::qWait(500);  // the windows repaint the frame the playback rests on
  // The windows where the dialog placed them, on a plain background.
  QWidget* windows[] = {dlg_.get(), dlg_->picture(), dlg_->trends()};
  QRect area;
  for (QWidget* w : windows) area = area.united(w->geometry());
  QImage shot(area.size(), QImage::Format_RGB32);
  shot.fill(QColor(250, 250, 250));
  {
    QPainter painter(&shot);
    for (QWidget* w : windows) painter.drawPixmap(w->geometry().topLeft() - area.topLeft(), w->grab());
  }
  ASSERT_TRUE(shot.save(QString::fromLatin1(dir) + "/kelvara-playback.png"));
  Click(dlg_->view(), 3000);  // Stop
}

#if KELVARA_HAS_VIEWER
// The room with the ball held still (frames of one moment, each with noise
// of its own), replayed in a loop: the 3D view without and with "Flying
// pixels" and "Smoothing" (docs/filters-3d-before.png, -after.png).
class ClientFilterScreenshots : public ClientEndToEnd {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    camsim::RoomScene room(1);
    WriteRoomRecording(Recording(), room, 16, 0.1, 8.5);
    ClientEndToEnd::SetUp();
  }
  std::vector<std::string> SimArguments() const override { return {"--replay", Recording(), "--loop"}; }
  std::string Recording() const { return Folder() + "/room.kvrec"; }
};

TEST_F(ClientFilterScreenshots, FlyingPixelsAndSmoothing) {
  const char* dir = std::getenv("KELVARA_SCREENSHOT_DIR");
  if (!dir || !*dir) GTEST_SKIP() << "KELVARA_SCREENSHOT_DIR is not set";
  Connect();
  Click(dlg_->view(), 3000);
  Click(dlg_->view(), 3002);
  ASSERT_TRUE(Await([] { return ViewerWindowExists(); }, 120000));
  auto shoot = [&](const char* name) {
    const int64_t shown = dlg_->outputs().PicturesChanged();
    ASSERT_TRUE(Await([&] { return dlg_->outputs().PicturesChanged() >= shown + 20; }));
    QTest::qWait(1000);  // the viewer draws the ring's newest frames at its own pace
    testing::RgbImage image;
    ASSERT_TRUE(ViewerScreenshot(Folder() + "/viewer.xwd", &image, 120000));
    QImage viewer(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) viewer.setPixel(x, y, image.pixels[y * image.width + x] | 0xff000000u);
    ASSERT_TRUE(viewer.save(QString::fromLatin1(dir) + "/" + name));
  };
  shoot("filters-3d-before.png");
  for (QCheckBox* box : dlg_->view()->findChildren<QCheckBox*>())
    if (box->accessibleName() == QLatin1String("Flying pixels") || box->accessibleName() == QLatin1String("Smoothing"))
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  ASSERT_TRUE(Await([&] { return dlg_->run_control().Filters() == (kFilterFlying | kFilterSpatial); }));
  shoot("filters-3d-after.png");
  Click(dlg_->view(), 3002);
  Click(dlg_->view(), 3000);
}
#endif

}  // namespace
}  // namespace kelvara

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
