#pragma once
// Waiting on a non-blocking descriptor against a deadline, shared by the
// sending and the receiving side of the port.
#include <chrono>

namespace kelvara {
namespace uart {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, rounded up so that poll() never
// returns just before it and spins.
int MsLeft(Clock::time_point deadline);

enum class Wait { kReady, kTimeout, kGone };

// Waits until `fd` is ready for `events` or the deadline passes. kGone: the
// device hung up or failed and will never be ready again.
Wait WaitReady(int fd, short events, Clock::time_point deadline);

}  // namespace uart
}  // namespace kelvara
