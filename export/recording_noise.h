#pragma once
// kelvara-export --noise-report: the temporal noise of a recording of a
// still scene per amplitude bin, and the noise law fitted to it.
#include <string>

#include "filters/noise_report.h"

namespace kelvara {
namespace cloud {

// Reads every frame of the recording at `path` (a format with distances and
// amplitudes: "Distance(Polar)+AMP" or a cartesian "+AMP" format) into
// *report. False with the reason in *error.
bool MeasureRecordingNoise(const std::string& path, filters::NoiseReport* report, std::string* error);

// The CSV file the report writes beside REC: "REC.kvrec" -> "REC-noise.csv".
std::string NoiseCsvPath(const std::string& recording);

}  // namespace cloud
}  // namespace kelvara
