// The connection panel: port list and selection, the table upload and its
// retries, the open, and the messages to the main dialog.
#include "connection_panel.h"
#include "recording_notifier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QComboBox>
#include <QPushButton>
#include <fstream>

#include "camera_link.h"
#include "profile_store.h"
#include "testing/fake_ports.h"
#include "testing/hub_recorder.h"
#include "testing/temp_program_folder.h"

namespace kelvara {
namespace {

using testing::FakePorts;
using testing::MessageRecorder;

QStringList Entries(QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
  return list;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class ConnectionPanelTest : public ::testing::Test {
 protected:
  void MakeTable() {
    mkdir((folder_.path() + "Table").c_str(), 0700);
    std::ofstream(folder_.path() + "Table/qor_table.dat") << "table";
  }
  // Runs of the updater answer with these exit statuses in turn.
  void ScriptUpdater(CConnection& panel, std::vector<int> statuses) {
    panel.SetProgramRunner([this, statuses](const std::vector<std::string>& argv) {
      runs_.push_back(argv);
      return runs_.size() <= statuses.size() ? statuses[runs_.size() - 1] : 0;
    });
  }

  testing::TempProgramFolder folder_;
  MessageRecorder hub_;
  RecordingNotifier notifier_;
  std::vector<std::vector<std::string>> runs_;
};

TEST_F(ConnectionPanelTest, ControlsCarryTextsIdsAndAccessibleNames) {
  FakePorts ports({3});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  auto* refresh = panel.findChild<QPushButton*>("id1003");
  auto* connect = panel.findChild<QPushButton*>("id1004");
  ASSERT_TRUE(refresh && connect && panel.findChild<QComboBox*>("id1001"));
  EXPECT_EQ(refresh->text(), "Refresh");
  EXPECT_EQ(connect->text(), "Connect");
  EXPECT_EQ(panel.findChild<QComboBox*>("id1001")->accessibleName(), "Serial Port");
  ASSERT_TRUE(panel.findChild<QComboBox*>("id1002"));
  EXPECT_TRUE(panel.findChild<QComboBox*>("id1002")->isHidden());
}

TEST_F(ConnectionPanelTest, RefreshSelectsTheSavedPortByPrefix) {
  struct Case {
    std::string saved;
    std::vector<int> ports;
    QStringList entries;
    int selected;
  };
  const Case cases[] = {
      {"COM1", {10, 1}, {"COM10", "COM1"}, 0},  // COM10 begins with COM1
      {"COM7", {3, 4}, {"COM3", "COM4"}, 0},    // no match: the first entry
      {"com4", {3, 4}, {"COM3", "COM4"}, 1},    // case does not matter
      {"", {5}, {"COM5"}, 0},
      {"COM3", {}, {}, -1},  // no port: nothing selected
  };
  for (const Case& c : cases) {
    FakePorts ports(c.ports);
    IniWriteString("Application", "COMPortName", c.saved);
    CameraLink link(ports);
    CConnection panel(nullptr, &hub_, link, notifier_);
    hub_.messages.clear();
    panel.Initialise();
    EXPECT_EQ(Entries(panel.PortList()), c.entries) << c.saved;
    EXPECT_EQ(panel.PortList()->currentIndex(), c.selected) << c.saved;
    EXPECT_TRUE(panel.PortList()->isEnabled());
    EXPECT_EQ(hub_.Ids(), std::vector<int>{UWM_DISCONNECTED});
    EXPECT_EQ(ports.closes, 1);
  }
}

TEST_F(ConnectionPanelTest, RefreshTellsTheDialogBeforeThePortCloses) {
  FakePorts ports({3});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  int open_when_told = -1;
  ports.open_port = 3;
  hub_.on_message = [&](int) { open_when_told = ports.open_port; };
  panel.Refresh();
  EXPECT_EQ(open_when_told, 3);
  EXPECT_EQ(ports.open_port, 0);
}

TEST_F(ConnectionPanelTest, ConnectUploadsOnceThenOpensAndPostsConnected) {
  FakePorts ports({12});
  MakeTable();
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  panel.SetProgramFolder(folder_.path(), folder_.path());
  ScriptUpdater(panel, {1, 1, 0});
  panel.Initialise();
  hub_.messages.clear();
  panel.Connect();
  ASSERT_EQ(runs_.size(), 3u);  // two failures, then success
  EXPECT_EQ(runs_[0], (std::vector<std::string>{folder_.path() + "Brenvik", "12",
                                                folder_.path() + "Table/qor_table.dat", "0x10000000"}));
  EXPECT_TRUE(Exists(folder_.path() + "uploaded"));
  EXPECT_TRUE(notifier_.Messages().empty());
  EXPECT_EQ(ports.inits, std::vector<int>{12});
  EXPECT_FALSE(panel.PortList()->isEnabled());
  QCoreApplication::sendPostedEvents(&hub_);
  EXPECT_EQ(hub_.Ids(), std::vector<int>{UWM_CONNECTED});
  std::string saved;
  IniReadString("Application", "COMPortName", "", &saved);
  EXPECT_EQ(saved, "COM12");

  panel.Connect();  // the marker prevents a second upload
  EXPECT_EQ(runs_.size(), 3u);
}

TEST_F(ConnectionPanelTest, FiveFailedUploadsAreReportedAndThePortStillOpens) {
  FakePorts ports({3});
  MakeTable();
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  panel.SetProgramFolder(folder_.path(), folder_.path());
  ScriptUpdater(panel, {1, 1, 1, 1, 1, 1});
  panel.Initialise();
  panel.Connect();
  EXPECT_EQ(runs_.size(), 5u);
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"Failed to upload Qor table."});
  EXPECT_FALSE(Exists(folder_.path() + "uploaded"));
  EXPECT_EQ(ports.inits, std::vector<int>{3});
}

TEST_F(ConnectionPanelTest, AMissingUpdaterCountsAsAFailedUpload) {
  FakePorts ports({3});
  MakeTable();
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  panel.SetProgramFolder(folder_.path(), folder_.path());  // no Brenvik there
  panel.Initialise();
  panel.Connect();
  EXPECT_EQ(notifier_.Messages(), std::vector<std::string>{"Failed to upload Qor table."});
  EXPECT_EQ(ports.inits, std::vector<int>{3});
}

TEST_F(ConnectionPanelTest, NoTableNoUpload) {
  FakePorts ports({3});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  panel.SetProgramFolder(folder_.path(), folder_.path());
  ScriptUpdater(panel, {});
  panel.Initialise();
  panel.Connect();
  EXPECT_TRUE(runs_.empty());
  EXPECT_EQ(ports.inits, std::vector<int>{3});
}

TEST_F(ConnectionPanelTest, APortThatCannotBeOpenedIsReportedAndTheListStaysUsable) {
  // A missing permission also says how to get it; other reasons do not.
  const struct {
    int error;
    const char* message_start;
    bool dialout_advice;
  } cases[] = {{EBUSY, "Failed to open COM3.", false}, {EACCES, "Failed to open COM3. Permission denied (", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message_start);
    FakePorts ports({3});
    CameraLink link(ports);
    RecordingNotifier notifier;
    CConnection panel(nullptr, &hub_, link, notifier);
    panel.SetProgramFolder(folder_.path(), folder_.path());
    panel.Initialise();
    ports.busy = true;
    ports.open_error = c.error;
    hub_.messages.clear();
    panel.Connect();
    ASSERT_EQ(notifier.Messages().size(), 1u);
    const std::string message = notifier.Messages()[0];
    EXPECT_EQ(message.rfind(c.message_start, 0), 0u) << message;
    EXPECT_EQ(message.find("sudo adduser $USER dialout") != std::string::npos, c.dialout_advice) << message;
    if (!c.dialout_advice) {
      EXPECT_EQ(message, c.message_start);
    }
    EXPECT_TRUE(panel.PortList()->isEnabled());
    QCoreApplication::sendPostedEvents(&hub_);
    EXPECT_TRUE(hub_.messages.empty());
    std::string saved;  // written whatever happens next
    IniReadString("Application", "COMPortName", "", &saved);
    EXPECT_EQ(saved, "COM3");
  }
}

TEST_F(ConnectionPanelTest, ConnectWithoutAPortDoesNothing) {
  FakePorts ports({});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link, notifier_);
  panel.Initialise();
  panel.Connect();
  EXPECT_TRUE(ports.inits.empty());
  EXPECT_TRUE(notifier_.Messages().empty());
}

}  // namespace
}  // namespace kelvara
