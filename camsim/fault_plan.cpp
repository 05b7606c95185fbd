#include "camsim/fault_plan.h"

namespace kelvara {
namespace camsim {

FaultPlan::FaultPlan(const FaultOptions& options)
    : options_(options), state_(options.seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}

uint64_t FaultPlan::Random() {
  // splitmix64: small, fast, and the same on every platform for a seed.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

Fault FaultPlan::NextResult() {
  ++results_;
  auto hits = [this](int every) { return every > 0 && results_ % static_cast<uint64_t>(every) == 0; };
  if (hits(options_.drop_every)) return Fault::kDrop;
  if (hits(options_.corrupt_every)) return Fault::kCorrupt;
  if (hits(options_.truncate_every)) return Fault::kTruncate;
  return Fault::kNone;
}

unsigned char FaultPlan::WrongStartByte() {
  // 255 values: 0x00..0xFD and 0xFF.
  const unsigned v = static_cast<unsigned>(Random() % 255);
  return static_cast<unsigned char>(v >= 0xFE ? 0xFF : v);
}

size_t FaultPlan::TruncatedLength(size_t full) { return full == 0 ? 0 : static_cast<size_t>(Random() % full); }

}  // namespace camsim
}  // namespace kelvara
