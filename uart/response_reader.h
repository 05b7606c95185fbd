#pragma once
// Reading one response off the line: 0xFE, status, 32-bit big-endian
// length, payload. Kept apart from the port so that it runs on any
// non-blocking descriptor (the fuzzer feeds it from a pipe).

namespace kelvara {
namespace uart {

// A response that starts with a wrong byte has no trustworthy length: the
// rest of it is drained until the line has been quiet this long.
constexpr int kQuietGapMs = 30;

// Reads one response (header, then the announced payload) from the
// non-blocking descriptor `fd` within one deadline. Never writes past
// `capacity`; bytes beyond it are read and dropped so that the line is clean
// for the next response. A hang-up or a read error ends the call early.
// Returns the number of bytes written to `buffer`.
int ReceiveResponse(int fd, int timeout_ms, int capacity, unsigned char* buffer);

}  // namespace uart
}  // namespace kelvara
