#pragma once
// A second start of the client with a recording ("Kelvara FILE.kvrec", a
// file manager's double-click on a .kvrec file) hands the file to the client
// already running, which opens it: through the local socket
// "open-recording" in the runtime directory (mode 0700), on which the
// client holding the single-instance lock listens. The second start sends
// the file's absolute path and a line feed; the client answers "ok" and
// opens the file once the answer is out.
#include <QObject>
#include <functional>
#include <string>

class QLocalServer;

namespace kelvara {

// "<runtime directory>/open-recording".
std::string RecordingHandoffPath();

class RecordingHandoff : public QObject {
  Q_OBJECT
 public:
  // Listens on `socket_path` (a socket file left there by a client that
  // died is replaced: only the lock holder listens). Each path received
  // goes to `open`, on this object's thread.
  RecordingHandoff(const std::string& socket_path, std::function<void(const std::string&)> open,
                   QObject* parent = nullptr);
  ~RecordingHandoff() override;
  bool Listening() const;

 private:
  void Accept();

  QLocalServer* server_;
  std::function<void(const std::string&)> open_;
};

// Second start, any thread: hands `path` (made absolute) to the client
// listening on `socket_path`. True when that client took it; false when
// none listens or it did not answer within `timeout_ms`.
bool HandOverRecording(const std::string& socket_path, const std::string& path, int timeout_ms = 5000);

}  // namespace kelvara
