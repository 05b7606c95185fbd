#pragma once
// The angle file "angle.csv" that the viewer reads: 240 lines (pixel rows of
// the camera's theta plane, row 0 first), 320 fields each (column 0 first),
// separated by ",", every line ended by CR LF. Each field is the theta angle
// in degrees printed with "%f": raw * 90 / 4096 for raw values 0 to 4095,
// 180.000000 for a raw value with any of bits 12 to 15 set.
#include <cstdint>
#include <string>

#include "camera_facts/pixel_rays.h"  // ThetaDegrees: the degrees of one raw theta value
#include "link/device_commands.h"

namespace kelvara {

// Writes the file, replacing its content. False when the file cannot be
// written: it cannot be opened, or a write fails (a full disk is reported,
// so that the caller replaces the short file by the fallback copy), or the
// table is not a full 320 x 240 plane (nothing is written then).
bool WriteAngleFile(const std::string& path, const ThetaPhiTable& table);

}  // namespace kelvara
