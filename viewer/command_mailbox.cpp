#include "command_mailbox.h"

namespace kelvara {
namespace viewer {

void CommandMailbox::post(const PipeCommand& command) {
  if (command.kind == 0 || !isEmpty()) return;
  command_ = command;
  kind_.store(command.kind, std::memory_order_release);
}

const PipeCommand* CommandMailbox::pending() const {
  return kind_.load(std::memory_order_acquire) != 0 ? &command_ : nullptr;
}

}  // namespace viewer
}  // namespace kelvara
