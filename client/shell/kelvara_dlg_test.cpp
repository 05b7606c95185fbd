// The main dialog against a fake camera: the connect sequence, the enabling
// of the panels across connect, measure and disconnect, a start queued
// behind an ending run, and a shutdown while the worker holds a message box.
#include "shell/kelvara_dlg.h"
#include "config/testing/recording_notifier.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "camsim/pattern_scene.h"
#include "config/connection_panel.h"
#include "config/profile_store.h"
#include "config/qt_notifier.h"
#include "config/setting_panel.h"
#include "config/testing/fake_ports.h"
#include "config/testing/temp_program_folder.h"
#include "display/picture_window.h"
#include "display/view_filters.h"
#include "display/view_panel.h"
#include "feed3d/testing/fake_velmar.h"
#include "link/testing/scripted_serial.h"
#include "logging/logging_panel.h"
#include "measure/testing/fake_camera.h"
#include "shell/instance_lock.h"
#include "shell/kelvara_app.h"
#include "trends/histogram_view.h"
#include "trends/trends_window.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

class KelvaraDlgTest : public ::testing::Test {
 protected:
  KelvaraDlgTest() : camera_(1) {
    paths_.program_folder = folder_.path();
    paths_.data_folder = folder_.path();
    paths_.profile_path = folder_.ini();
    PrepareClientFolders(paths_);
  }

  // Options that keep 3D display away from any real viewer.
  static Display3DOptions No3D() {
    Display3DOptions o;
    o.window_exists = [] { return true; };
    return o;
  }
  static bool Enabled(QWidget* root, const char* id) {
    auto* w = root->findChild<QWidget*>(id);
    return w && w->isEnabled();
  }
  static bool Await(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 20000); }
  void Connect(CKelvaraDlg& dlg) {
    dlg.link().SetPause(pauses_.Function());
    dlg.connection()->Connect();
    ASSERT_TRUE(Await([&] { return dlg.windowTitle().contains("Server Version"); }));
  }

  testing::TempProgramFolder folder_;
  FakeCamera camera_;
  PauseRecorder pauses_;
  ClientPaths paths_;
  RecordingNotifier notifier_;
};

TEST_F(KelvaraDlgTest, APortThatCannotBeOpenedIsReportedAndTheListStaysUsable) {
  // A missing permission also says how to get it; other reasons do not.
  const struct {
    int error;
    const char* message_start;
    bool dialout_advice;
  } cases[] = {{EBUSY, "Failed to open COM3.", false}, {EACCES, "Failed to open COM3. Permission denied (", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message_start);
    testing::FakePorts ports({3});
    RecordingNotifier notifier;
    CKelvaraDlg dlg(paths_, notifier, ports, No3D());
    ports.busy = true;
    ports.open_error = c.error;
    dlg.connection()->Connect();
    ASSERT_EQ(notifier.Messages().size(), 1u);
    const std::string message = notifier.Messages()[0];
    EXPECT_EQ(message.rfind(c.message_start, 0), 0u) << message;
    EXPECT_EQ(message.find("sudo adduser $USER dialout") != std::string::npos, c.dialout_advice) << message;
    if (!c.dialout_advice) {
      EXPECT_EQ(message, c.message_start);
    }
    EXPECT_TRUE(dlg.connection()->PortList()->isEnabled());
    EXPECT_EQ(dlg.session().State(), SessionState::kDisconnected);
    EXPECT_EQ(dlg.windowTitle(), dlg.ClientTitle());
  }
}

TEST_F(KelvaraDlgTest, StartsDisconnectedWithTheClientTitle) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  EXPECT_EQ(dlg.ClientTitle(), "Qor Imager Client Version 1.0.0 ");
  EXPECT_EQ(dlg.windowTitle(), dlg.ClientTitle());
  EXPECT_FALSE(Enabled(&dlg, "id2010"));
  EXPECT_TRUE(Enabled(&dlg, "id1004"));
  EXPECT_EQ(dlg.connection()->PortList()->currentText(), "COM1");
}

TEST_F(KelvaraDlgTest, ConnectSequenceShowsTheServerVersionAndEnablesThePanels) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  Connect(dlg);
  // Two spaces before the slash: the client title ends in one.
  EXPECT_EQ(dlg.windowTitle(), "Qor Imager Client Version 1.0.0  / Server Version 1.0.5.00000042");
  EXPECT_TRUE(Enabled(&dlg, "id2002"));
  EXPECT_EQ(dlg.setting()->FormatSelection(), 1);
  EXPECT_EQ(dlg.run_control().display3d.format_index.load(), 1);
  EXPECT_TRUE(std::filesystem::exists(folder_.path() + "3d_data/angle.csv"));
  // The fake camera answers only the format among the parameter groups.
  const auto messages = notifier_.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Get parameter failed!! [ Mode ]"), messages.end());
  EXPECT_EQ(std::find(messages.begin(), messages.end(), "Get parameter failed!! [ Format ]"), messages.end());

  dlg.connection()->Refresh();
  EXPECT_EQ(dlg.windowTitle(), dlg.ClientTitle());
  EXPECT_FALSE(Enabled(&dlg, "id2002"));
}

TEST_F(KelvaraDlgTest, ASilentCameraFailsTheConnectionAndClosesThePort) {
  camera_.SetSilent(true);
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.connection()->Connect();
  ASSERT_TRUE(Await([&] { return !notifier_.Messages().empty(); }));
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"Connection failed!!"});
  EXPECT_EQ(notifier_.Icons(), std::vector<MessageIcon>{MessageIcon::kExclamation});
  EXPECT_EQ(dlg.windowTitle(), dlg.ClientTitle());
  EXPECT_TRUE(dlg.connection()->PortList()->isEnabled());  // Refresh ran
  EXPECT_FALSE(Enabled(&dlg, "id2010"));
}

TEST_F(KelvaraDlgTest, MeasuringDisablesConnectionAndSettingsUntilStopped) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  Connect(dlg);
  PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 3; }));
  EXPECT_TRUE(dlg.Measuring());
  EXPECT_FALSE(Enabled(&dlg, "id1003"));
  EXPECT_FALSE(Enabled(&dlg, "id1004"));
  EXPECT_FALSE(Enabled(&dlg, "id2003"));
  PostWindowMessage(&dlg, UWM_STOP_MEASUREMENT);
  ASSERT_TRUE(Await([&] { return Enabled(&dlg, "id1003"); }));
  EXPECT_FALSE(dlg.WorkerRunning());
  EXPECT_TRUE(Enabled(&dlg, "id1004"));
  EXPECT_TRUE(Enabled(&dlg, "id2003"));
}

TEST_F(KelvaraDlgTest, APictureEndsByItselfAndThePanelsReturn) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  Connect(dlg);
  PostWindowMessage(&dlg, UWM_TAKE_PICTURE, 0, 1);
  ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 1 && !dlg.Measuring(); }));
  EXPECT_TRUE(Await([&] { return Enabled(&dlg, "id1004"); }));
  EXPECT_FALSE(dlg.WorkerRunning());
  EXPECT_TRUE(Enabled(&dlg, "id2003"));
}

TEST_F(KelvaraDlgTest, AStartWhileThePreviousRunEndsIsQueuedNotWaitedFor) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  Connect(dlg);
  PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 1; }));
  camera_.HoldNextResult();
  camera_.WaitUntilHeld();
  SendWindowMessage(&dlg, UWM_STOP_MEASUREMENT);
  EXPECT_TRUE(dlg.WorkerRunning());  // held in its last cycle
  // The worker still owns the link: nothing that talks to the camera is
  // usable yet.
  EXPECT_FALSE(Enabled(&dlg, "id1003"));
  EXPECT_FALSE(Enabled(&dlg, "id2003"));
  // The UI thread returns at once although the worker cannot end yet.
  const size_t codes_before = camera_.Codes().size();
  SendWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  EXPECT_TRUE(dlg.Measuring());
  EXPECT_EQ(camera_.Codes().size(), codes_before) << "the UI thread sent while the worker held the link";
  const long before = dlg.outputs().PicturesChanged();
  camera_.Release();
  EXPECT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() > before + 2; }));
  EXPECT_TRUE(dlg.WorkerRunning());
}

TEST_F(KelvaraDlgTest, ClosingWhileTheWorkerHoldsABoxDoesNotDeadlock) {
  QtNotifier boxes;
  std::vector<QString> shown;
  boxes.SetPresenter([&](const QString& text, MessageIcon) { shown.push_back(text); });
  {
    CKelvaraDlg dlg(paths_, boxes, camera_, No3D());
    Connect(dlg);
    camera_.RefuseStartFrom(0);  // the worker reports the refused start
    SendWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
    // Close at once: the worker's box is still queued for this thread.
    dlg.close();
    EXPECT_FALSE(dlg.WorkerRunning());
    EXPECT_FALSE(dlg.Measuring());
    EXPECT_EQ(dlg.picture(), nullptr);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), QString("Start measurement failed!!")), 0);
}

TEST_F(KelvaraDlgTest, ShutdownStopsTheRunAndDeletesTheMarker) {
  {
    CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
    Connect(dlg);
    close(creat((folder_.path() + "uploaded").c_str(), 0600));
    PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
    ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 2; }));
    dlg.close();
    EXPECT_FALSE(dlg.WorkerRunning());
    EXPECT_FALSE(std::filesystem::exists(folder_.path() + "uploaded"));
  }
  // The last command the camera got was the stop of the run.
  const std::vector<int> codes = camera_.Codes();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.back(), CMD_STOP_MEASUREMENT);
}

TEST_F(KelvaraDlgTest, ClosingDuringARunWith3DOnEndsTheBridgeAndTheRun) {
  Display3DOptions options = No3D();
  options.library_path = FAKE_VELMAR_PATH;
  FakeVelmar_Reset();
  {
    CKelvaraDlg dlg(paths_, notifier_, camera_, std::move(options));
    Connect(dlg);
    SendWindowMessage(&dlg, UWM_START_3D);
    PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
    // The bridge passes ring files to the viewer library while frames come.
    ASSERT_TRUE(Await([&] {
      for (int i = 0; i < FakeVelmar_CallCount(); ++i)
        if (std::string(FakeVelmar_Call(i)).rfind("data ", 0) == 0) return true;
      return false;
    }));
    dlg.close();
    EXPECT_FALSE(dlg.WorkerRunning());
    EXPECT_EQ(dlg.run_control().display3d.stopped.load(), 1);
    const int calls = FakeVelmar_CallCount();
    QTest::qWait(50);
    EXPECT_EQ(FakeVelmar_CallCount(), calls) << "the bridge thread went on after the close";
  }
  EXPECT_EQ(camera_.Codes().back(), CMD_STOP_MEASUREMENT);
}

TEST_F(KelvaraDlgTest, EnterAndEscapeDoNotCloseTheDialog) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.show();
  for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    QTest::keyClick(&dlg, static_cast<Qt::Key>(key));
    EXPECT_TRUE(dlg.isVisible()) << key;
  }
  dlg.close();
}

// The status bar follows a run live, keeps its counters greyed after it,
// and says how it ended; the monitor values and the picture go stale.
TEST_F(KelvaraDlgTest, TheStatusBarFollowsARunAndGreysWhenItEnds) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  StatusStrip& status = *dlg.status();
  EXPECT_EQ(status.connection()->text(), "Not connected");
  Connect(dlg);
  EXPECT_EQ(status.connection()->text(), "COM1 - server 1.0.5.00000042");
  EXPECT_EQ(status.received()->text(), "Received -");
  camera_.FailResults({1, 2});
  camera_.WrongStartByte({4});
  PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return status.lost()->text() == "Lost 3" && dlg.outputs().PicturesChanged() >= 3; }));
  EXPECT_TRUE(status.lost()->isEnabled());
  EXPECT_TRUE(status.lost()->toolTip().contains("Wrong start byte: 1"));
  EXPECT_TRUE(Enabled(dlg.view(), "id2012"));  // fps
  PostWindowMessage(&dlg, UWM_STOP_MEASUREMENT);
  ASSERT_TRUE(Await([&] { return !status.received()->isEnabled(); }));
  EXPECT_TRUE(status.Line().startsWith("Run ended: ")) << status.Line().toStdString();
  EXPECT_TRUE(status.Line().endsWith(" lost; none logged"));
  EXPECT_FALSE(Enabled(dlg.view(), "id2012"));
  EXPECT_FALSE(Enabled(dlg.view(), "id3040"));
  EXPECT_TRUE(dlg.picture()->Stale());
  EXPECT_EQ(status.Link(), LinkState::kConnected);
}

TEST_F(KelvaraDlgTest, ACameraThatStopsAnsweringIsAConnectionLost) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  Connect(dlg);
  PostWindowMessage(&dlg, UWM_START_MEASUREMENT, 0, -1);
  ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 2; }));
  camera_.SetSilent(true);
  ASSERT_TRUE(Await([&] { return dlg.status()->Link() == LinkState::kLost; }));
  EXPECT_EQ(dlg.status()->connection()->text(), "Connection lost");
  EXPECT_EQ(notifier_.Messages().back(), "Get mesurement result failed!!");
  EXPECT_TRUE(Enabled(&dlg, "id1004"));
  EXPECT_TRUE(Enabled(&dlg, "id1003"));
  EXPECT_TRUE(dlg.connection()->PortList()->isEnabled());
  EXPECT_TRUE(Await([&] { return !Enabled(&dlg, "id3000"); }));  // Start
  EXPECT_EQ(dlg.windowTitle(), dlg.ClientTitle());
  EXPECT_EQ(dlg.session().State(), SessionState::kDisconnected);
  // Connect again once the camera answers.
  camera_.SetSilent(false);
  Connect(dlg);
  EXPECT_EQ(dlg.status()->Link(), LinkState::kConnected);
}

TEST_F(KelvaraDlgTest, TrendsOpensFromTheViewPanelAndItsMarkersSetTheViewRange) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  EXPECT_EQ(dlg.status()->warm_up()->accessibleName(), "Warm-up");
  EXPECT_EQ(dlg.status()->warm_up()->text(), "--");
  auto* button = dlg.findChild<QPushButton*>("id3060");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Trends");
  button->click();
  TrendsWindow* trends = dlg.trends();
  ASSERT_TRUE(trends->isVisible());
  EXPECT_EQ(trends->windowTitle(), "Trends");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(trends));

  // The maximum marker dragged to 4000 mm: the view panel's fields and the
  // picture's range follow, as when the range is typed.
  HistogramView* histogram = trends->Histogram();
  const int maximum = dlg.rendering().range_max.load();
  const int y = histogram->height() / 2;
  QTest::mousePress(histogram, Qt::LeftButton, {}, QPoint(histogram->ColumnOf(maximum), y));
  QTest::mouseRelease(histogram, Qt::LeftButton, {}, QPoint(histogram->ColumnOf(4000), y));
  EXPECT_NEAR(dlg.view()->Maximum(), 4000, 30);
  ASSERT_TRUE(Await([&] { return dlg.rendering().range_max.load() == dlg.view()->Maximum(); }));
  EXPECT_EQ(dlg.rendering().range_min.load(), dlg.view()->Minimum());

  // A range set in the view panel moves the markers, without a new frame.
  dlg.view()->SetViewRange(500, 2000);
  EXPECT_TRUE(Await([&] { return histogram->Range() == (ViewRange{500, 2000}); }));
}

TEST_F(KelvaraDlgTest, ASnapshotSavesTheFrameOnScreenIntoTheLoggingFolder) {
  const std::string logs = folder_.path() + "logs";
  std::filesystem::create_directory(logs);
  IniWriteString("Logging", "SavePath", logs);
  IniWriteString("Logging", "FileName", "desk");
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.TakeSnapshot();
  EXPECT_EQ(dlg.status()->Line(), "Snapshot: no frame has been received yet.");
  Connect(dlg);
  PostWindowMessage(&dlg, UWM_TAKE_PICTURE, 0, 1);
  ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 1 && !dlg.Measuring(); }));
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  QTest::keyClick(dlg.view(), Qt::Key_S, Qt::ControlModifier);
  const QString line = dlg.status()->Line();
  EXPECT_TRUE(line.startsWith("Snapshot: ")) << line.toStdString();
  EXPECT_TRUE(line.endsWith(QString::fromStdString(" saved as " + logs + "/desk_snapshot_") + "*") ||
              line.contains(QString::fromStdString(logs + "/desk_snapshot_")))
      << line.toStdString();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(logs)) {
    EXPECT_EQ(entry.path().filename().string().rfind("desk_snapshot_", 0), 0u) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 1);
  EXPECT_TRUE(notifier_.Messages().empty() || notifier_.Messages().back().find("Snapshot") == std::string::npos);
}

// With a point format the "Pixel" item adds the point record of the pixel
// under the mouse, from the frame the dialog keeps.
TEST_F(KelvaraDlgTest, ThePixelItemShowsThePointOfAPointFormat) {
  FakeCamera camera(2);
  CKelvaraDlg dlg(paths_, notifier_, camera, No3D());
  Connect(dlg);
  PostWindowMessage(&dlg, UWM_TAKE_PICTURE, 0, 1);
  ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 1 && !dlg.Measuring(); }));
  CViewPicture* picture = dlg.picture();
  picture->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(picture));
  picture->grab();
  ASSERT_FALSE(picture->LastLayout().images.empty());
  const PixelRect rect = picture->LastLayout().images.front().rect;
  const QPoint at(rect.left + rect.width / 3, rect.top + rect.height / 3);
  QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(picture, &move);
  const std::string text = dlg.status()->pixel()->text().toStdString();
  int c = -1, r = -1;
  ASSERT_EQ(std::sscanf(text.c_str(), "Pixel (%d, %d)", &c, &r), 2) << text;
  const pattern::Point p = pattern::PointAt(r, c);
  const std::string point =
      ", x " + std::to_string(p.x) + " y " + std::to_string(p.y) + " z " + std::to_string(p.z) + " mm";
  EXPECT_EQ(text.substr(text.size() - std::min(text.size(), point.size())), point) << text;
}

// Shift+click on two pixels of the picture: "Measured distance" gives the
// distance between their points, from the point records (format 2) or from
// the polar distances along the rays of the angle table the connect read
// (format 1); the pixels are the camera's, whatever the vertical flip.
TEST_F(KelvaraDlgTest, ShiftClicksOnThePictureShowTheMeasuredDistance) {
  constexpr double kPi = 3.14159265358979323846;
  const double step = 12 * 90.0 / 4096 * kPi / 180;  // the pattern's angle per pixel from the centre
  const struct {
    int format;
    int c1, r1, c2, r2;
    double mm;
  } cases[] = {
      // (-150, 100, 730) to (-60, -80, 3700).
      {2, 10, 20, 100, 200, std::sqrt(90.0 * 90 + 180 * 180 + 2970 * 2970)},
      // The centre (159, 119) on the axis at 2463 mm; (160, 119) at 2464 mm one step aside.
      {1, 159, 119, 160, 119, std::hypot(std::sin(step) * 2464, std::cos(step) * 2464 - 2463)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    FakeCamera camera(c.format);
    CKelvaraDlg dlg(paths_, notifier_, camera, No3D());
    Connect(dlg);
    PostWindowMessage(&dlg, UWM_TAKE_PICTURE, 0, 1);
    ASSERT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() >= 1 && !dlg.Measuring(); }));
    CViewPicture* picture = dlg.picture();
    picture->resize(420, 280);  // one window pixel per camera pixel
    picture->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picture));
    QLabel* measured = dlg.status()->measured();
    ASSERT_NE(measured, nullptr);
    EXPECT_EQ(measured->accessibleName(), "Measured distance");
    for (int vertical_flip : {0, 1}) {
      picture->SetMirror(0, vertical_flip ? 0 : 1);
      picture->grab();
      ASSERT_FALSE(picture->LastLayout().images.empty());
      const PixelRect rect = picture->LastLayout().images.front().rect;
      auto shift_click = [&](int column, int row) {
        ProbePixel pixel;
        pixel.ix = column;
        pixel.iy = row;
        const PointInRect at = PixelCentre(pixel, rect, false, vertical_flip == 0);
        QTest::mouseClick(picture, Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(static_cast<int>(at.x), static_cast<int>(at.y)));
      };
      shift_click(c.c1, c.r1);
      EXPECT_EQ(measured->text().toStdString(),
                "A (" + std::to_string(c.c1) + ", " + std::to_string(c.r1) + ") - Shift+click a second pixel");
      shift_click(c.c2, c.r2);
      char expected[96];
      std::snprintf(expected, sizeof expected, "(%d, %d) to (%d, %d): %.1f mm", c.c1, c.r1, c.c2, c.r2, c.mm);
      EXPECT_EQ(measured->text().toStdString(), expected);
      // A plain click clears the measure.
      QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier, QPoint(rect.left + 5, rect.top + 5));
      EXPECT_EQ(measured->text(), QString());
    }
  }
}

// Tab goes through the panels in the order of the screen: the left column
// (Connection, Setting), then the right one (View, Logging); Alt with a
// letter presses the main buttons.
TEST_F(KelvaraDlgTest, TabFollowsTheScreenAndAltKeysPressTheMainButtons) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  dlg.link().SetPause(pauses_.Function());
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  QTest::keyClick(&dlg, Qt::Key_C, Qt::AltModifier);  // Connect
  ASSERT_TRUE(Await([&] { return dlg.windowTitle().contains("Server Version"); }));
  const std::vector<QWidget*> panels = {dlg.connection(), dlg.setting(), dlg.view(), dlg.logging()};
  auto panel_of = [&](QWidget* w) {
    for (size_t i = 0; i < panels.size(); ++i)
      if (w && panels[i]->isAncestorOf(w)) return static_cast<int>(i);
    return -1;
  };
  dlg.connection()->PortList()->setFocus();
  std::vector<int> order{0};
  for (int i = 0; i < 80; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const int panel = panel_of(QApplication::focusWidget());
    if (panel >= 0 && panel != order.back()) order.push_back(panel);
    if (order.size() == 4) break;
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
  const long before = dlg.outputs().PicturesChanged();
  QTest::keyClick(&dlg, Qt::Key_P, Qt::AltModifier);  // Picture
  EXPECT_TRUE(Await([&] { return dlg.outputs().PicturesChanged() > before; }));
  dlg.close();
}

// Every field the user types a number into tells its range (and unit).
TEST_F(KelvaraDlgTest, EveryNumberFieldHasATooltipWithItsRange) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  int fields = 0;
  for (QLineEdit* edit : dlg.findChildren<QLineEdit*>()) {
    if (edit->isReadOnly() || edit->parent()->inherits("QAbstractSpinBox")) continue;
    if (edit->objectName() == "id4030") continue;  // the file name
    EXPECT_TRUE(edit->toolTip().contains(" to ")) << edit->objectName().toStdString();
    ++fields;
  }
  for (QAbstractSpinBox* spin : dlg.findChildren<QAbstractSpinBox*>()) {
    EXPECT_TRUE(spin->toolTip().contains(" to ")) << spin->objectName().toStdString();
    ++fields;
  }
  EXPECT_GE(fields, 15);
}

TEST_F(KelvaraDlgTest, FlipAndStopSamplingReachTheirOwners) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  SendWindowMessage(&dlg, UWM_SET_STOP_SAMPLING, 1);
  EXPECT_TRUE(dlg.run_control().SamplingStopped());
  dlg.run_control().StartLogging(5, 1, 0);
  SendWindowMessage(&dlg, UWM_STOP_LOGGING);
  EXPECT_EQ(dlg.run_control().Logging().phase, LoggingPhase::kLastFrame);
}

TEST_F(KelvaraDlgTest, FilterBoxesReachTheSession) {
  CKelvaraDlg dlg(paths_, notifier_, camera_, No3D());
  EXPECT_EQ(dlg.run_control().Filters(), 0);
  for (QCheckBox* box : dlg.view()->findChildren<QCheckBox*>())
    if (box->accessibleName() == QStringLiteral("Flying pixels") || box->accessibleName() == QStringLiteral("Temporal"))
      QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_TRUE(Await([&] { return dlg.run_control().Filters() == (kFilterFlying | kFilterTemporal); }));
}

}  // namespace
}  // namespace kelvara

namespace kelvara {
namespace {

TEST(SingleInstanceTest, ASecondStartIsRefusedWithItsMessage) {
  testing::TempProgramFolder folder;
  const std::string path = folder.path() + "D0C54F0E-BE35-451A-95FB-0119E7BFF998.lock";
  InstanceLock first(path);
  RecordingNotifier notifier;
  EXPECT_FALSE(RefuseSecondInstance(first, notifier));
  InstanceLock second(path);
  EXPECT_TRUE(RefuseSecondInstance(second, notifier));
  EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"Qor Imager Client is already running."});
}

}  // namespace
}  // namespace kelvara
