#include "camsim/sim_server.h"

#include <poll.h>
#include <unistd.h>
#include <cerrno>

#include "camera_facts/wire_framing.h"

namespace kelvara {
namespace camsim {

SimServer::SimServer(int fd, int stop_fd, SimCamera& camera, const FaultOptions& faults, int64_t link_rate)
    : fd_(fd), stop_fd_(stop_fd), camera_(camera), faults_(faults), writer_(fd, stop_fd, link_rate) {}

int SimServer::Run() {
  static unsigned char chunk[65536];
  auto last_input = Clock::now();
  for (;;) {
    int timeout = -1;
    if (parser_.HasPartial()) {
      const auto left = last_input + kRequestIdleTimeout - Clock::now();
      timeout = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
      if (timeout < 0) timeout = 0;
    }
    pollfd p[2] = {{stop_fd_, POLLIN, 0}, {fd_, POLLIN, 0}};
    const int rc = poll(p, 2, timeout);
    if (rc < 0 && errno != EINTR) return 1;
    if (p[0].revents) return 0;
    if (p[1].revents & (POLLERR | POLLNVAL)) return 1;
    if (rc > 0 && (p[1].revents & POLLIN)) {
      const ssize_t n = read(fd_, chunk, sizeof chunk);
      if (n > 0) {
        parser_.Feed(chunk, static_cast<size_t>(n));
        last_input = Clock::now();
      }
    }
    if (parser_.HasPartial() && Clock::now() - last_input >= kRequestIdleTimeout) {
      parser_.AbandonPartial();
      last_input = Clock::now();
    }
    Request request;
    while (parser_.Next(&request))
      if (!Answer(request)) return 0;
  }
}

bool SimServer::Answer(const Request& request) {
  Reply reply = camera_.Handle(request, Clock::now());
  if (!writer_.WaitUntil(reply.send_at)) return false;
  const size_t size = reply.size();
  unsigned char header[kResponseHeaderBytes] = {kResponseStartByte,
                                                reply.status,
                                                static_cast<unsigned char>(size >> 24),
                                                static_cast<unsigned char>(size >> 16),
                                                static_cast<unsigned char>(size >> 8),
                                                static_cast<unsigned char>(size)};
  size_t body = size;
  if (reply.is_frame) {
    switch (faults_.NextResult()) {
      case Fault::kDrop: return true;
      case Fault::kCorrupt: header[0] = faults_.WrongStartByte(); break;
      case Fault::kTruncate: body = faults_.TruncatedLength(size); break;
      case Fault::kNone: break;
    }
  }
  const void* data = reply.bulk ? static_cast<const void*>(reply.bulk) : reply.payload.data();
  const iovec segments[2] = {{header, sizeof header}, {const_cast<void*>(data), body}};
  return writer_.Write(segments, 2, reply.data_size_kb, reply.interval_us) != WriteResult::kStopped;
}

}  // namespace camsim
}  // namespace kelvara
