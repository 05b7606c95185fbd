#pragma once
// The single-slot mailbox between the socket reader thread and the render
// loop. The reader posts only into an empty slot: it writes the command's
// fields, then publishes its kind with release ordering. The render loop
// looks with acquire ordering, uses the fields (for file commands, reads the
// file) and then marks the slot taken, which the reader sees when it next
// looks. At most one command is pending; none is lost or merged.
#include <atomic>

#include "pipe_message.h"

namespace kelvara {
namespace viewer {

class CommandMailbox {
 public:
  // Reader side.
  bool isEmpty() const { return kind_.load(std::memory_order_acquire) == 0; }
  // Only while isEmpty(); a command of kind 0 is ignored.
  void post(const PipeCommand& command);

  // Render-loop side: the pending command, or nullptr when the slot is empty.
  // The command stays valid and unchanged until markTaken().
  const PipeCommand* pending() const;
  void markTaken() { kind_.store(0, std::memory_order_release); }

 private:
  std::atomic<int> kind_{0};
  PipeCommand command_;  // written only while kind_ is 0
};

}  // namespace viewer
}  // namespace kelvara
