#pragma once
// The single-slot mailbox between the socket reader thread and the render
// loop. The reader posts only into an empty slot: it writes the command's
// fields, then publishes its kind with release ordering. The render loop
// looks with acquire ordering, uses the fields (for file commands, reads the
// file) and then marks the slot taken, which the reader sees when it next
// looks. At most one command is pending; none is lost or merged.
//
// Each side can also sleep until the other has acted instead of polling:
// postedFd() becomes readable after a post, takenFd() after a take (both
// eventfds; the waiting side drains its descriptor before it looks at the
// slot, so a wake is never missed). The mailbox must outlive the reader
// thread that posts into it.
#include <atomic>

#include "viewer/pipe_message.h"

namespace kelvara {
namespace viewer {

class CommandMailbox {
 public:
  CommandMailbox();
  ~CommandMailbox();
  CommandMailbox(const CommandMailbox&) = delete;
  CommandMailbox& operator=(const CommandMailbox&) = delete;

  // Reader side.
  bool isEmpty() const { return kind_.load(std::memory_order_acquire) == 0; }
  // Only while isEmpty(); a command of kind 0 is ignored.
  void post(const PipeCommand& command);

  // Render-loop side: the pending command, or nullptr when the slot is empty.
  // The command stays valid and unchanged until markTaken().
  const PipeCommand* pending() const;
  void markTaken();

  // Wake descriptors for poll(); -1 when they could not be made (the sides
  // then fall back to their timed looks).
  int postedFd() const { return postedFd_; }
  int takenFd() const { return takenFd_; }
  // Consumes the wakes gathered on `fd` so far.
  static void drain(int fd);

 private:
  static void signal(int fd);

  std::atomic<int> kind_{0};
  PipeCommand command_;  // written only while kind_ is 0
  int postedFd_ = -1;
  int takenFd_ = -1;
};

}  // namespace viewer
}  // namespace kelvara
