#pragma once
// Waiting for a condition in tests, instead of sleeping for a guessed time.
#include <chrono>
#include <functional>
#include <thread>

namespace kelvara {
namespace testing {

// Checks `condition` every `poll` until it holds (true) or `limit` has
// passed (false). The limit only keeps a broken test from hanging: make it
// generous, it is never a claim about speed. A condition that costs another
// process work (a command to the viewer) is checked less often.
inline bool Await(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(60),
                  std::chrono::milliseconds poll = std::chrono::milliseconds(2)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(poll);
  }
  return true;
}

}  // namespace testing
}  // namespace kelvara
