#pragma once
// One run of kelvara-capture: connect to the camera, set the format, run a
// logging run that starts its own measurement, and report how it went.
#include <functional>
#include <string>

#include "capture_console.h"
#include "capture_options.h"

namespace kelvara {

// How the session waits for the worker: called again and again while the
// run goes on; returns 0 (nothing happened), 1 (stop the logging run
// cleanly) or 2 (stop at once). The main program waits for signals here.
using CaptureWaiter = std::function<int()>;

// Runs the whole capture; returns the exit status. `program_folder` ends in
// '/' (the export ring of --3d lives below it).
int RunCapture(const CaptureOptions& options, const std::string& program_folder,
               CaptureConsole& console, const CaptureWaiter& wait);

}  // namespace kelvara
