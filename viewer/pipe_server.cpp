#include "pipe_server.h"

#include <cerrno>
#include <system_error>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kelvara {
namespace viewer {
namespace {

bool makeAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address->sun_path)) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Does a server accept connections on this socket path? A full backlog
// (EAGAIN) also means someone is serving it.
bool someoneListens(const sockaddr_un& address) {
  int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (probe < 0) return true;  // cannot tell: do not displace anything
  int rc = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  int error = errno;
  close(probe);
  if (rc == 0) return true;
  return !(error == ECONNREFUSED || error == ENOENT);
}

// poll() that restarts after signals. Returns the poll result.
int pollRetrying(pollfd* fds, nfds_t count, int timeoutMs) {
  for (;;) {
    int rc = poll(fds, count, timeoutMs);
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

}  // namespace

PipeServer::PipeServer(std::string socketPath) : PipeServer(std::move(socketPath), Timing()) {}

PipeServer::PipeServer(std::string socketPath, Timing timing)
    : socketPath_(std::move(socketPath)), timing_(timing) {}

PipeServer::~PipeServer() {
  stop();
  closeAll();
}

PipeServer::OpenStatus PipeServer::open() {
  if (listenFd_ >= 0) return OpenStatus::kOpened;
  sockaddr_un address;
  if (!makeAddress(socketPath_, &address)) return OpenStatus::kFailed;

  // Two viewers starting together must not both decide the socket is stale.
  std::string lockPath = socketPath_ + ".lock";
  // Never through a planted symbolic link: O_NOFOLLOW.
  lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return OpenStatus::kFailed;
  if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    OpenStatus status = errno == EWOULDBLOCK ? OpenStatus::kInUse : OpenStatus::kFailed;
    closeAll();
    return status;
  }

  stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (stopFd_ < 0 || listenFd_ < 0) {
    closeAll();
    return OpenStatus::kFailed;
  }
  const sockaddr* raw = reinterpret_cast<const sockaddr*>(&address);
  if (bind(listenFd_, raw, sizeof(address)) != 0) {
    if (errno != EADDRINUSE) {
      closeAll();
      return OpenStatus::kFailed;
    }
    if (someoneListens(address)) {
      closeAll();
      return OpenStatus::kInUse;
    }
    // Left behind by a viewer that ended without removing it. Anything that
    // is not a socket is not ours to remove.
    struct stat existing {};
    if (lstat(socketPath_.c_str(), &existing) == 0 && !S_ISSOCK(existing.st_mode)) {
      closeAll();
      return OpenStatus::kFailed;
    }
    unlink(socketPath_.c_str());
    if (bind(listenFd_, raw, sizeof(address)) != 0) {
      closeAll();
      return OpenStatus::kFailed;
    }
  }
  struct stat st {};
  if (chmod(socketPath_.c_str(), 0600) != 0 || stat(socketPath_.c_str(), &st) != 0 ||
      listen(listenFd_, 4) != 0) {
    unlink(socketPath_.c_str());
    closeAll();
    return OpenStatus::kFailed;
  }
  socketInode_ = st.st_ino;
  return OpenStatus::kOpened;
}

bool PipeServer::startReader(CommandMailbox* mailbox) {
  if (listenFd_ < 0 || mailbox == nullptr || reader_.joinable()) return false;
  try {
    reader_ = std::thread(&PipeServer::readerLoop, this, mailbox);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void PipeServer::stop() {
  if (stopFd_ >= 0) {
    uint64_t one = 1;
    // The event stays set: the reader never consumes it.
    ssize_t written = write(stopFd_, &one, sizeof(one));
    (void)written;
  }
  if (reader_.joinable()) reader_.join();
}

void PipeServer::closeAll() {
  if (listenFd_ >= 0) {
    // Remove the socket file only if it is still the one this server made.
    struct stat st {};
    if (socketInode_ != 0 && stat(socketPath_.c_str(), &st) == 0 && st.st_ino == socketInode_)
      unlink(socketPath_.c_str());
    close(listenFd_);
    listenFd_ = -1;
  }
  if (stopFd_ >= 0) close(stopFd_);
  if (lockFd_ >= 0) close(lockFd_);  // releases the lock
  stopFd_ = lockFd_ = -1;
  socketInode_ = 0;
}

void PipeServer::readerLoop(CommandMailbox* mailbox) {
  for (;;) {
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    if (pollRetrying(fds, 2, -1) < 0 || fds[0].revents != 0) return;
    if (fds[1].revents == 0) continue;
    int connection = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection < 0) {
      if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED) continue;
      // Out of descriptors or similar: pause instead of spinning on poll.
      pollfd stopOnly = {stopFd_, POLLIN, 0};
      if (pollRetrying(&stopOnly, 1, timing_.slotPollMs) != 0) return;
      continue;
    }
    // The sender waits with its message unread until the slot is free.
    if (!waitForEmptySlot(*mailbox)) {
      close(connection);
      return;
    }
    serveConnection(connection, mailbox);
    close(connection);
    pollfd stopOnly = {stopFd_, POLLIN, 0};
    if (pollRetrying(&stopOnly, 1, 0) != 0) return;
  }
}

bool PipeServer::waitForEmptySlot(const CommandMailbox& mailbox) {
  while (!mailbox.isEmpty()) {
    pollfd stopOnly = {stopFd_, POLLIN, 0};
    if (pollRetrying(&stopOnly, 1, timing_.slotPollMs) != 0) return false;
  }
  return true;
}

void PipeServer::serveConnection(int connection, CommandMailbox* mailbox) {
  pollfd fds[2] = {{stopFd_, POLLIN, 0}, {connection, POLLIN, 0}};
  if (pollRetrying(fds, 2, timing_.senderTimeoutMs) <= 0 || fds[0].revents != 0) return;
  // One read: the message is what arrived, cut at 256 bytes.
  char buffer[kMaxPipeMessageBytes];
  ssize_t n;
  do {
    n = recv(connection, buffer, sizeof(buffer), 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return;
  std::optional<PipeCommand> command = parsePipeMessage(buffer, static_cast<size_t>(n));
  if (command) mailbox->post(*command);
}

}  // namespace viewer
}  // namespace kelvara
