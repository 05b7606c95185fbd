// The viewer's socket messages: any bytes a local client may send.
#include <cstddef>
#include <cstdint>

#include "viewer/pipe_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The viewer reads at most one message's worth; the parser must cope
  // with anything up to that, and refuse nothing longer by crashing.
  const auto command = kelvara::viewer::parsePipeMessage(reinterpret_cast<const char*>(data), size);
  if (command && !command->path.empty()) {
    volatile char sink = command->path.back();
    (void)sink;
  }
  return 0;
}
