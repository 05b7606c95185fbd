#pragma once
// The 3D bridge thread: loads libvelmar.so from the program folder and feeds
// the viewer the distance range, ratio, colour range and angle file, then,
// every "UpdateInterval" milliseconds, the newest file of the export ring
// (or a changed view range). Ends when 3D display is stopped; a missing
// library or function ends it at once, silently.
//
// A push that can never be taken (a data folder whose path holds a
// comma, or a message that would exceed 256 bytes) is not retried: it is
// reported once through the notifier, 3D display is switched off (so the
// export ring is no longer written) and the thread ends.
#include <string>

#include "config/notifier.h"
#include "feed3d/bridge_pacer.h"
#include "feed3d/display3d_state.h"

namespace kelvara {

struct BridgeTiming {
  int push_retry_ms = 100;  // before every initial push and every retry of one
  int settle_ms = 3000;     // after the initial pushes, before the first pass
};

struct BridgeRun {
  std::string data_folder;   // ends in '/'
  std::string library_path;  // empty: data_folder + "libvelmar.so"
  // The profile of the "3D" keys (UpdateInterval, DistanceRatio); empty:
  // the process-wide profile (IniSetFilePath).
  std::string profile_path;
  Display3DState* state = nullptr;
  BridgePacer* pacer = nullptr;
  Notifier* notifier = nullptr;  // nullptr: a permanent refusal is not shown
  BridgeTiming timing;
};

// The text shown when the viewer cannot be fed from `data_folder`.
std::string BridgeRefusalMessage(const std::string& data_folder);

// The thread's body. Reads "UpdateInterval" (default 150) and
// "DistanceRatio" (default "1.0") from section "3D" of the profile when it
// starts and writes both back, as read, when it ends (only when the library
// was loaded).
void RunBridgeThread(const BridgeRun& run);

}  // namespace kelvara
