#pragma once
// The viewer's command socket: a Unix-domain stream socket (mode 0600) that
// serves one sender at a time (one more may wait; further senders are
// refused), reads from whichever connected sender writes first (a silent one
// holds up nobody and is dropped after its timeout), reads one message of at
// most 256 bytes per
// connection, and hands each parsed command to the render loop through the
// mailbox. A reader thread does the serving; every wait of that thread also
// watches the stop event, so stop() ends it promptly.
//
// Only one viewer serves a socket path: a lock file beside the socket
// ("<socket>.lock") keeps two starting viewers apart, and a socket that
// answers a connect belongs to a live server and is never displaced. A
// socket file left behind by a crashed viewer (nobody listening) is replaced.
#include <string>
#include <thread>

#include "viewer/command_mailbox.h"

namespace kelvara {
namespace viewer {

class PipeServer {
 public:
  enum class OpenStatus { kOpened, kInUse, kFailed };

  struct Timing {
    int slotPollMs = 100;        // a waiting reader is woken by the take, else looks this often
    int senderTimeoutMs = 2000;  // a connected sender that writes nothing is dropped
  };

  explicit PipeServer(std::string socketPath);
  PipeServer(std::string socketPath, Timing timing);
  ~PipeServer();  // stops the reader, closes, removes the socket file if still ours

  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  // Creates, binds and listens. kInUse: another server holds the socket.
  OpenStatus open();
  // Starts the reader thread; false when it cannot be started.
  bool startReader(CommandMailbox* mailbox);
  // Sets the stop event and waits for the reader thread to end.
  void stop();

  const std::string& socketPath() const { return socketPath_; }

 private:
  void readerLoop(CommandMailbox* mailbox);
  bool waitForEmptySlot(const CommandMailbox& mailbox);
  // Reads the message of a connection that has data (or has closed).
  void serveConnection(int connection, CommandMailbox* mailbox);
  void closeAll();

  std::string socketPath_;
  Timing timing_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  int stopFd_ = -1;
  unsigned long long socketInode_ = 0;
  std::thread reader_;
};

}  // namespace viewer
}  // namespace kelvara
