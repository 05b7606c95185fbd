#pragma once
// Splits the byte stream from the client into requests: 0xFC, code, payload
// length (16-bit big-endian), payload. Bytes before a 0xFC are skipped, and
// so is a 0xFC followed by another (no command has the code 0xFC). A request
// whose announced payload never comes is abandoned by the caller after a
// quiet spell (AbandonPartial): the search for the next 0xFC resumes right
// after its start byte, through everything already received, so no byte
// sequence can stall the simulator for longer than one quiet spell.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "camera_facts/wire_framing.h"

namespace kelvara {
namespace camsim {

struct Request {
  uint8_t code = 0;
  std::vector<unsigned char> payload;
};

class RequestParser {
 public:
  RequestParser();
  void Feed(const unsigned char* data, size_t n);
  // Takes the next complete request; false when none is complete yet.
  bool Next(Request* out);
  // True when a request has started but is not complete.
  bool HasPartial() const { return !buffer_.empty(); }
  // Gives up the started request, and every later one in the buffer that is
  // incomplete as well (nothing more came for them either).
  void AbandonPartial();
  // Bytes skipped as garbage so far (for tests and diagnostics).
  size_t skipped() const { return skipped_; }

 private:
  void SkipToStart();
  bool CompleteAtFront() const;
  std::vector<unsigned char> buffer_;  // starts with 0xFC whenever non-empty
  size_t skipped_ = 0;
};

}  // namespace camsim
}  // namespace kelvara
