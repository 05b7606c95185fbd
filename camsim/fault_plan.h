#pragma once
// Which result replies the simulator spoils on purpose, to exercise the
// client's error handling: every Nth result request is dropped (no answer),
// corrupted (a wrong start byte) or truncated (a short frame). Counting is
// per fault over the result requests that would get a frame; when several
// faults fall on the same request, drop wins over corrupt over truncate.
#include <cstddef>
#include <cstdint>

namespace kelvara {
namespace camsim {

struct FaultOptions {
  int drop_every = 0;  // 0 = never
  int corrupt_every = 0;
  int truncate_every = 0;
  uint64_t seed = 1;
};

enum class Fault { kNone, kDrop, kCorrupt, kTruncate };

class FaultPlan {
 public:
  explicit FaultPlan(const FaultOptions& options);
  // The fault for the next result reply.
  Fault NextResult();
  // A start byte that is not 0xFE.
  unsigned char WrongStartByte();
  // How many payload bytes of `full` a truncated reply carries: 0..full-1.
  size_t TruncatedLength(size_t full);

 private:
  uint64_t Random();
  FaultOptions options_;
  uint64_t results_ = 0;
  uint64_t state_;
};

}  // namespace camsim
}  // namespace kelvara
