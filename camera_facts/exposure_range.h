#pragma once
// The exposure times the camera accepts, in microseconds, by measurement
// mode (0 normal, 1 high speed).

namespace kelvara {

constexpr int kModeCount = 2;
constexpr int kExposureMinUs[kModeCount] = {170, 20};
constexpr int kExposureMaxUs[kModeCount] = {5312, 10000};

}  // namespace kelvara
