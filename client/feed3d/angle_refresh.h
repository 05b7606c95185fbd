#pragma once
// After connecting, the client writes the camera's angle table as
// "3d_data/angle.csv"; when the camera gives none, or the file cannot be
// written, the delivered "3d_data/angle.org" is copied over it.
#include <string>

#include "config/notifier.h"
#include "link/camera_link.h"

namespace kelvara {

enum class AngleRefreshResult {
  kWritten,         // angle.csv written from the camera's table
  kFallbackCopied,  // angle.org copied over angle.csv
  kFailed,          // neither: "Failed to output file!! [ path ]" was shown
};

// Fetches the table over `link` (waiting at most 1000 ms). Messages, through `notifier`
// (plain, no icon): "Get θφTable failed!!" when the camera gives no table,
// "Failed to output file!! [ <angle.csv path> ]" when the fallback copy fails.
// The camera's table goes into *fetched when given and the camera gave one
// (else it is left empty).
AngleRefreshResult RefreshAngleFile(CameraLink& link, const std::string& data_folder, Notifier* notifier,
                                    ThetaPhiTable* fetched = nullptr);

// Copies `from` over `to`, replacing it. False when either side fails.
bool CopyFileReplacing(const std::string& from, const std::string& to);

}  // namespace kelvara
