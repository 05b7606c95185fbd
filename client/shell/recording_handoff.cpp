#include "shell/recording_handoff.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <utility>

#include "common/runtime_dir.h"

namespace kelvara {
namespace {

constexpr int kMaxPathBytes = 4096;

}  // namespace

std::string RecordingHandoffPath() { return RuntimeDirPath() + "/open-recording"; }

RecordingHandoff::RecordingHandoff(const std::string& socket_path, std::function<void(const std::string&)> open,
                                   QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), open_(std::move(open)) {
  const QString name = QString::fromStdString(socket_path);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name);
  server_->listen(name);
  connect(server_, &QLocalServer::newConnection, this, &RecordingHandoff::Accept);
}

RecordingHandoff::~RecordingHandoff() { server_->close(); }

bool RecordingHandoff::Listening() const { return server_->isListening(); }

void RecordingHandoff::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QPointer<QLocalSocket> guard(socket);
    connect(socket, &QLocalSocket::readyRead, this, [this, guard] {
      if (!guard) return;
      if (!guard->canReadLine()) {
        if (guard->bytesAvailable() > kMaxPathBytes) guard->abort();  // no path is that long
        return;
      }
      const QByteArray line = guard->readLine(kMaxPathBytes + 1).trimmed();
      guard->write("ok\n");
      guard->flush();
      guard->disconnectFromServer();
      if (line.isEmpty()) return;
      // Opened once the sender has its answer: opening may show a message.
      const std::string path = line.toStdString();
      QTimer::singleShot(0, this, [this, path] { open_(path); });
    });
  }
}

bool HandOverRecording(const std::string& socket_path, const std::string& path, int timeout_ms) {
  if (path.find('\n') != std::string::npos) return false;  // the line feed ends the path
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(socket_path));
  if (!socket.waitForConnected(timeout_ms)) return false;
  const QByteArray absolute = QDir::current().absoluteFilePath(QString::fromStdString(path)).toUtf8();
  socket.write(absolute + '\n');
  if (!socket.waitForBytesWritten(timeout_ms)) return false;
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeout_ms)) return false;
  }
  return socket.readLine().trimmed() == "ok";
}

}  // namespace kelvara
