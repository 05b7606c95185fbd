#pragma once
// One run of kelvara-capture: connect to the camera, set the format, run a
// logging run that starts its own measurement, and report how it went.
#include <functional>
#include <string>

#include "capture/capture_console.h"
#include "capture/capture_options.h"
#include "link/camera_link.h"
#include "measure/measurement_worker.h"

namespace kelvara {

// Asked about every 100 ms while the run goes on, without blocking: 0
// (nothing happened), 1 (stop the logging run cleanly) or 2 (stop at once).
// The main program turns SIGINT and SIGTERM into these.
using StopRequests = std::function<int()>;

// Runs the whole capture on a session over `serial` (the port is opened and
// closed here; `pause` is the link's failure pause, empty: the real sleep);
// returns the exit status. `data_folder` ends in '/' (the export ring of
// --3d lives below it).
int RunCapture(const CaptureOptions& options, const std::string& data_folder, SerialLibrary& serial,
               CameraLink::Pause pause, CaptureConsole& console, const StopRequests& stop_requests);

// The summary line: frames logged, the frame rate, and the failed cycles by
// kind ("... 3 failed cycles (2 no response, 0 wrong start byte, 1 length
// mismatch)"). Only frames whose files were all written count as logged.
std::string SummaryLine(const RunSummary& summary, int64_t logged);

}  // namespace kelvara
