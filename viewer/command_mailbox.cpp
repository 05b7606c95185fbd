#include "viewer/command_mailbox.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <cstdint>

namespace kelvara {
namespace viewer {

CommandMailbox::CommandMailbox()
    : postedFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), takenFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CommandMailbox::~CommandMailbox() {
  if (postedFd_ >= 0) close(postedFd_);
  if (takenFd_ >= 0) close(takenFd_);
}

void CommandMailbox::post(const PipeCommand& command) {
  if (command.kind == 0 || !isEmpty()) return;
  command_ = command;
  kind_.store(command.kind, std::memory_order_release);
  signal(postedFd_);
}

const PipeCommand* CommandMailbox::pending() const {
  return kind_.load(std::memory_order_acquire) != 0 ? &command_ : nullptr;
}

void CommandMailbox::markTaken() {
  kind_.store(0, std::memory_order_release);
  signal(takenFd_);
}

void CommandMailbox::signal(int fd) {
  if (fd < 0) return;
  uint64_t one = 1;
  ssize_t written = write(fd, &one, sizeof(one));
  (void)written;  // a full counter is still readable: the wake is there
}

void CommandMailbox::drain(int fd) {
  if (fd < 0) return;
  uint64_t count;
  ssize_t n = read(fd, &count, sizeof(count));
  (void)n;  // nothing gathered: EAGAIN
}

}  // namespace viewer
}  // namespace kelvara
