#pragma once
// CConnection: the connection panel. Lists the serial ports, uploads the
// camera's table before the first open in a run of the client, opens the
// port and tells the main dialog (UWM_CONNECTED, posted); "Refresh" tells it
// the camera is gone (UWM_DISCONNECTED, sent and handled first), closes the
// port and lists the ports anew.
#include <QWidget>
#include <functional>
#include <string>

#include "camera_link.h"
#include "notifier.h"
#include "updater_run.h"

class QComboBox;
class QPushButton;

namespace kelvara {

class CConnection : public QWidget {
  Q_OBJECT
 public:
  // `hub` receives the panel's messages (the main dialog).
  // The panel lists, opens and closes ports through `link`.
  CConnection(QWidget* parent, QObject* hub, CameraLink& link, Notifier& notifier);

  // The program folder (Brenvik, the table file) and the folder of the
  // "uploaded" marker, both ending in '/'. Set right after creation.
  void SetProgramFolder(const std::string& program_folder, const std::string& marker_folder);
  // Reads the last port from the profile and lists the ports.
  void Initialise();

  void Refresh();
  void Connect();
  // "Refresh" and "Connect" (disabled while a measurement runs).
  void EnableButtons(bool enable);

  // Who connects: called with the port number and its name ("COM3") once
  // the profile holds the port. Without one, the panel uploads the table
  // and opens the port itself and posts UWM_CONNECTED.
  using Connector = std::function<void(int port, const std::string& name)>;
  void SetConnector(Connector connector) { connector_ = std::move(connector); }
  // The port list is locked while a port is open.
  void SetConnected(bool connected);

  // How the updater is run (tests replace it).
  void SetProgramRunner(ProgramRunner runner) { runner_ = std::move(runner); }

  QComboBox* PortList() const { return ports_; }

 private:
  QObject* hub_;
  CameraLink& link_;
  Notifier& notifier_;
  std::string port_name_;
  std::string program_folder_;
  std::string marker_folder_;
  ProgramRunner runner_;
  Connector connector_;
  QComboBox* ports_;
  QPushButton* refresh_;
  QPushButton* connect_;
};

}  // namespace kelvara
