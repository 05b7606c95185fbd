#pragma once
// CConnection: the connection panel. Lists the serial ports and remembers
// the chosen one; "Connect" hands the port to its connector (the main
// dialog, whose session uploads the table, opens the port and reads the
// camera); "Refresh" tells the dialog the camera is gone (UWM_DISCONNECTED,
// sent and handled first), closes the port and lists the ports anew.
#include <QWidget>
#include <functional>
#include <string>

#include "link/camera_link.h"

class QComboBox;
class QPushButton;

namespace kelvara {

class CConnection : public QWidget {
  Q_OBJECT
 public:
  // `hub` receives the panel's messages (the main dialog).
  // The panel lists, opens and closes ports through `link`.
  CConnection(QWidget* parent, QObject* hub, CameraLink& link);

  // Reads the last port from the profile and lists the ports.
  void Initialise();

  void Refresh();
  void Connect();
  // "Refresh" and "Connect" (disabled while a measurement runs).
  void EnableButtons(bool enable);

  // Who connects: called with the port number and its name ("COM3") once
  // the profile holds the port. Without one, "Connect" only remembers it.
  using Connector = std::function<void(int port, const std::string& name)>;
  void SetConnector(Connector connector) { connector_ = std::move(connector); }
  // The port list is locked while a port is open.
  void SetConnected(bool connected);

  QComboBox* PortList() const { return ports_; }

  // "Open recording...": asks for a recording file and hands its path to
  // the opener (the main dialog). The chooser asks for the file (default:
  // a file dialog; tests replace it); an empty answer opens nothing.
  using RecordingOpener = std::function<void(const std::string& path)>;
  void SetRecordingOpener(RecordingOpener opener) { opener_ = std::move(opener); }
  void SetFileChooser(std::function<std::string()> chooser) { chooser_ = std::move(chooser); }
  void OpenRecording();

 private:
  QObject* hub_;
  CameraLink& link_;
  std::string port_name_;
  Connector connector_;
  QComboBox* ports_;
  QPushButton* refresh_;
  QPushButton* connect_;
  QPushButton* open_recording_;
  RecordingOpener opener_;
  std::function<std::string()> chooser_;
};

}  // namespace kelvara
