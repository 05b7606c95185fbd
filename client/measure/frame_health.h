#pragma once
// How the frames of one run fared: what the measurement loop received, what
// failed and how, what the screen showed and what the log holds.
#include <cstdint>

namespace kelvara {

struct FrameHealth {
  int64_t frames_received = 0;
  // Failed cycles by the exchange's error: no response (-20), wrong start
  // byte (-21), length mismatch (-22); any other failure (a refused result,
  // a send that never went out) counts as other.
  int64_t no_response = 0;
  int64_t wrong_start_byte = 0;
  int64_t length_mismatch = 0;
  int64_t other_failures = 0;
  int64_t frames_shown = 0;    // decoded and rendered for the screen
  int64_t frames_skipped = 0;  // received but not rendered (the screen fell behind)
  int64_t frames_logged = 0;
  int64_t last_frame_number = -1;  // of the run's frames, counted from 0; -1: none yet
  int64_t last_receipt_ns = 0;     // the last frame's receive time on the loop's clock

  int64_t FailedCycles() const { return no_response + wrong_start_byte + length_mismatch + other_failures; }
};

}  // namespace kelvara
