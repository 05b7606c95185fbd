#include "request_parser.h"

#include <algorithm>

namespace kelvara {
namespace camsim {

RequestParser::RequestParser() { buffer_.reserve(kRequestHeaderBytes + 65535); }

void RequestParser::Feed(const unsigned char* data, size_t n) {
  if (buffer_.empty()) {
    // Fast path: drop garbage without copying it.
    const unsigned char* start = std::find(data, data + n, kRequestStart);
    skipped_ += static_cast<size_t>(start - data);
    n -= static_cast<size_t>(start - data);
    data = start;
  }
  buffer_.insert(buffer_.end(), data, data + n);
}

void RequestParser::SkipToStart() {
  auto start = std::find(buffer_.begin(), buffer_.end(), kRequestStart);
  skipped_ += static_cast<size_t>(start - buffer_.begin());
  buffer_.erase(buffer_.begin(), start);
}

bool RequestParser::Next(Request* out) {
  SkipToStart();
  if (buffer_.size() < kRequestHeaderBytes) return false;
  const size_t length = (size_t{buffer_[2]} << 8) | buffer_[3];
  if (buffer_.size() < kRequestHeaderBytes + length) return false;
  out->code = buffer_[1];
  out->payload.assign(buffer_.begin() + kRequestHeaderBytes,
                      buffer_.begin() + static_cast<std::ptrdiff_t>(kRequestHeaderBytes + length));
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(kRequestHeaderBytes + length));
  SkipToStart();
  return true;
}

void RequestParser::AbandonPartial() {
  if (buffer_.empty()) return;
  buffer_.erase(buffer_.begin());
  ++skipped_;
  SkipToStart();
}

}  // namespace camsim
}  // namespace kelvara
