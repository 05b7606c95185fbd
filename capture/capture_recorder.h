#pragma once
// --record FILE: the session records every frame the measurement loop
// receives, whole and with its receive time, plus the temperatures it reads,
// into one recording whose header holds the camera's replies. What is left
// here is the capture tool's own check of the file name.
#include <string>

namespace kelvara {

// Why --record FILE would be overwritten by a file of this run (its log
// files "<name>_..." and "<name>.txt" in --out or in a thousands folder of
// it, its clouds), or empty when it cannot be. Call once --out exists.
std::string RecordingClashWithRun(const std::string& record, const std::string& out, const std::string& name);

}  // namespace kelvara
