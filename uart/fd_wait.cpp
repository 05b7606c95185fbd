#include "uart/fd_wait.h"

#include <poll.h>
#include <cerrno>

namespace kelvara {
namespace uart {

int MsLeft(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

Wait WaitReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, MsLeft(deadline));
    if (rc > 0) return (p.revents & events) ? Wait::kReady : Wait::kGone;
    if (rc == 0) return Wait::kTimeout;
    if (errno != EINTR) return Wait::kGone;
  }
}

}  // namespace uart
}  // namespace kelvara
