#include "viewer/pipe_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <vector>

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

// One sender at a time: while the reader serves one connection, at most one
// more waits in the queue (a backlog of 0 lets one connection wait); any
// further sender is refused at once instead of waiting behind several.
constexpr int kListenBacklog = 0;

// poll() that restarts after signals. Returns the poll result.
int pollRetrying(pollfd* fds, nfds_t count, int timeoutMs) {
  for (;;) {
    int rc = poll(fds, count, timeoutMs);
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

}  // namespace

PipeServer::PipeServer(std::string socketPath) : PipeServer(std::move(socketPath), Timing()) {}

PipeServer::PipeServer(std::string socketPath, Timing timing) : socketPath_(std::move(socketPath)), timing_(timing) {}

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
      listen(listenFd_, kListenBacklog) != 0) {
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
  // Connections accepted but not read yet, each with its deadline. They are
  // watched together, so that a sender that writes nothing holds up nobody:
  // whichever sender writes first is read first.
  struct Pending {
    int fd;
    std::chrono::steady_clock::time_point deadline;
  };
  constexpr size_t kMaxPending = 16;
  std::vector<Pending> pending;
  std::vector<pollfd> fds;
  auto closeAllPending = [&pending] {
    for (const Pending& p : pending) close(p.fd);
    pending.clear();
  };
  for (;;) {
    fds.assign({{stopFd_, POLLIN, 0}, {listenFd_, static_cast<short>(pending.size() < kMaxPending ? POLLIN : 0), 0}});
    int timeoutMs = -1;
    const auto now = std::chrono::steady_clock::now();
    for (const Pending& p : pending) {
      fds.push_back({p.fd, POLLIN, 0});
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(p.deadline - now).count();
      const int ms = left < 0 ? 0 : static_cast<int>(left);
      timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
    }
    if (pollRetrying(fds.data(), fds.size(), timeoutMs) < 0 || fds[0].revents != 0) {
      closeAllPending();
      return;
    }
    // Senders that wrote (or went away), in the order they connected; then
    // those past their deadline are dropped.
    const auto after = std::chrono::steady_clock::now();
    std::vector<Pending> waiting;
    bool oneWaited = false;
    for (size_t i = 0; i < pending.size(); ++i) {
      const Pending p = pending[i];
      if (fds[i + 2].revents != 0) {
        // One sender may wait for the slot; a further one that wrote at the
        // same time is refused (closed unread) rather than queued behind it.
        if (!mailbox->isEmpty()) {
          if (oneWaited) {
            close(p.fd);
            continue;
          }
          oneWaited = true;
        }
        // The sender waits with its message unread until the slot is free.
        if (!waitForEmptySlot(*mailbox)) {
          for (size_t j = i; j < pending.size(); ++j) close(pending[j].fd);
          pending.swap(waiting);
          closeAllPending();
          return;
        }
        serveConnection(p.fd, mailbox);
        close(p.fd);
      } else if (after >= p.deadline) {
        close(p.fd);
      } else {
        waiting.push_back(p);
      }
    }
    pending.swap(waiting);
    if (fds[1].revents == 0) continue;
    int connection = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection < 0) {
      if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED) continue;
      // Out of descriptors or similar: pause instead of spinning on poll.
      pollfd stopOnly = {stopFd_, POLLIN, 0};
      if (pollRetrying(&stopOnly, 1, timing_.slotPollMs) != 0) {
        closeAllPending();
        return;
      }
      continue;
    }
    pending.push_back({connection, after + std::chrono::milliseconds(timing_.senderTimeoutMs)});
  }
}

// The render loop's take wakes the reader; the timed look stays as a fallback.
bool PipeServer::waitForEmptySlot(const CommandMailbox& mailbox) {
  for (;;) {
    CommandMailbox::drain(mailbox.takenFd());
    if (mailbox.isEmpty()) return true;
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {mailbox.takenFd(), POLLIN, 0}};
    if (pollRetrying(fds, mailbox.takenFd() >= 0 ? 2 : 1, timing_.slotPollMs) < 0 || fds[0].revents != 0) return false;
  }
}

void PipeServer::serveConnection(int connection, CommandMailbox* mailbox) {
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
