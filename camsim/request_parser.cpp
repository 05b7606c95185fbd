#include "camsim/request_parser.h"

#include <algorithm>

namespace kelvara {
namespace camsim {
namespace {

constexpr size_t kHeader = kRequestHeaderBytes;

}  // namespace

RequestParser::RequestParser() { buffer_.reserve(kHeader + kMaxRequestPayload); }

void RequestParser::Feed(const unsigned char* data, size_t n) {
  if (buffer_.empty()) {
    // Fast path: drop garbage without copying it.
    const unsigned char* start = std::find(data, data + n, kRequestStartByte);
    skipped_ += static_cast<size_t>(start - data);
    n -= static_cast<size_t>(start - data);
    data = start;
  }
  buffer_.insert(buffer_.end(), data, data + n);
}

void RequestParser::SkipToStart() {
  // No command has the code 0xFC: in "FC FC" the first is garbage and the
  // second may start a request.
  auto start = buffer_.begin();
  for (;;) {
    start = std::find(start, buffer_.end(), kRequestStartByte);
    if (start == buffer_.end() || start + 1 == buffer_.end() || start[1] != kRequestStartByte) break;
    ++start;
  }
  skipped_ += static_cast<size_t>(start - buffer_.begin());
  buffer_.erase(buffer_.begin(), start);
}

bool RequestParser::CompleteAtFront() const {
  if (buffer_.size() < kHeader) return false;
  const size_t length = (size_t{buffer_[2]} << 8) | buffer_[3];
  return buffer_.size() >= kHeader + length;
}

bool RequestParser::Next(Request* out) {
  SkipToStart();
  if (!CompleteAtFront()) return false;
  const size_t length = (size_t{buffer_[2]} << 8) | buffer_[3];
  out->code = buffer_[1];
  out->payload.assign(buffer_.begin() + kHeader, buffer_.begin() + static_cast<std::ptrdiff_t>(kHeader + length));
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(kHeader + length));
  SkipToStart();
  return true;
}

void RequestParser::AbandonPartial() {
  // Nothing has come for a while, so every started request in the buffer is
  // as stalled as the first: drop starts until a complete request leads.
  while (!buffer_.empty()) {
    buffer_.erase(buffer_.begin());
    ++skipped_;
    SkipToStart();
    if (CompleteAtFront()) break;
  }
}

}  // namespace camsim
}  // namespace kelvara
