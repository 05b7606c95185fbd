#pragma once
// Waiting for a condition in tests, instead of sleeping for a guessed time.
#include <chrono>
#include <functional>
#include <thread>

namespace kelvara {
namespace testing {

// Checks `condition` every 2 ms until it holds (true) or `limit` has
// passed (false). The limit only keeps a broken test from hanging: make it
// generous, it is never a claim about speed.
inline bool Await(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace testing
}  // namespace kelvara
