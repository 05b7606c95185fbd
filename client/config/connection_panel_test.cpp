// The connection panel: port list and selection, the port handed to the
// connector, and the messages to the main dialog.
#include "config/connection_panel.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>
#include <string>
#include <utility>
#include <vector>

#include "config/profile_store.h"
#include "config/testing/fake_ports.h"
#include "config/testing/temp_program_folder.h"
#include "link/camera_link.h"
#include "widgets/testing/message_recorder.h"

namespace kelvara {
namespace {

using testing::FakePorts;
using testing::MessageRecorder;

QStringList Entries(QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
  return list;
}

class ConnectionPanelTest : public ::testing::Test {
 protected:
  testing::TempProgramFolder folder_;
  MessageRecorder hub_;
};

TEST_F(ConnectionPanelTest, ControlsCarryTextsIdsAndAccessibleNames) {
  FakePorts ports({3});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link);
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
    CConnection panel(nullptr, &hub_, link);
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
  CConnection panel(nullptr, &hub_, link);
  int open_when_told = -1;
  ports.open_port = 3;
  hub_.on_message = [&](int) { open_when_told = ports.open_port; };
  panel.Refresh();
  EXPECT_EQ(open_when_told, 3);
  EXPECT_EQ(ports.open_port, 0);
}

TEST_F(ConnectionPanelTest, ConnectRemembersThePortAndHandsItToTheConnector) {
  FakePorts ports({3, 12});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link);
  std::vector<std::pair<int, std::string>> asked;
  panel.SetConnector([&](int port, const std::string& name) { asked.emplace_back(port, name); });
  panel.Initialise();
  panel.PortList()->setCurrentIndex(1);
  hub_.messages.clear();
  panel.Connect();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::make_pair(12, std::string("COM12")));
  EXPECT_TRUE(ports.inits.empty()) << "the connector opens the port, not the panel";
  std::string saved;  // written whatever the connector does
  IniReadString("Application", "COMPortName", "", &saved);
  EXPECT_EQ(saved, "COM12");
  EXPECT_TRUE(panel.PortList()->isEnabled());
  panel.SetConnected(true);
  EXPECT_FALSE(panel.PortList()->isEnabled());
  QCoreApplication::sendPostedEvents(&hub_);
  EXPECT_TRUE(hub_.messages.empty());
}

TEST_F(ConnectionPanelTest, ConnectWithoutAPortDoesNothing) {
  FakePorts ports({});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link);
  int asked = 0;
  panel.SetConnector([&](int, const std::string&) { ++asked; });
  panel.Initialise();
  panel.Connect();
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(ports.inits.empty());
}

TEST_F(ConnectionPanelTest, OpenRecordingHandsTheChosenFileToTheOpener) {
  FakePorts ports({3});
  CameraLink link(ports);
  CConnection panel(nullptr, &hub_, link);
  QPushButton* open = nullptr;
  for (auto* b : panel.findChildren<QPushButton*>())
    if (b->accessibleName() == "Open recording...") open = b;
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->text(), "Open recording...");
  std::vector<std::string> opened;
  panel.SetRecordingOpener([&](const std::string& path) { opened.push_back(path); });
  std::string answer = "/data/run.kvrec";
  panel.SetFileChooser([&] { return answer; });
  open->click();
  answer.clear();  // the file dialog was cancelled
  open->click();
  EXPECT_EQ(opened, std::vector<std::string>{"/data/run.kvrec"});
  EXPECT_TRUE(ports.inits.empty());  // the panel opens no port for it
  panel.EnableButtons(false);
  EXPECT_FALSE(open->isEnabled());
}

}  // namespace
}  // namespace kelvara
