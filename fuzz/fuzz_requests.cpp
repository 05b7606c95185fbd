// The simulator's side of the link: the byte stream from a client is split
// into requests and each one is answered by the simulated camera (pattern
// scene), so that every command's payload checks and the table upload see
// hostile requests. Each input byte below 0x20 at a chunk start also says
// whether the half-received request is given up (as after a quiet spell).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "camsim/request_parser.h"
#include "camsim/scene.h"
#include "camsim/sim_camera.h"

using namespace kelvara::camsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<kelvara::camsim::Scene> scene = MakeScene("pattern", 1);
  const Clock::time_point start{};
  SimCamera camera(*scene, start);
  RequestParser parser;
  Request request;
  Clock::time_point now = start;
  size_t at = 0;
  while (at < size) {
    // A chunk: its length byte, then up to that many stream bytes.
    const size_t length = data[at] % 64 + 1;
    const bool abandon = data[at] >= 0xF0;
    ++at;
    const size_t n = length < size - at ? length : size - at;
    parser.Feed(data + at, n);
    at += n;
    while (parser.Next(&request)) {
      const Reply reply = camera.Handle(request, now);
      if (reply.bulk != nullptr && reply.bulk_size > 0) {
        volatile unsigned char sink = reply.bulk[reply.bulk_size - 1];
        (void)sink;
      }
      now += std::chrono::milliseconds(100);
    }
    if (abandon && parser.HasPartial()) parser.AbandonPartial();
  }
  return 0;
}
