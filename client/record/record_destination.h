#pragma once
// Where "Record" writes: "<folder>/<file name>_<YYYYMMDD-HHMMSS>.kvrec" in
// the logging panel's folder, checked as a logging start checks its
// folder, and never over an existing file. No Qt.
#include <ctime>
#include <string>

namespace kelvara {

// The recording's path; "unnamed" for an empty file name, `when` in local
// time.
std::string RecordingPath(const std::string& folder, const std::string& file_name, std::time_t when);

// The message that refuses a recording to `path` (made by RecordingPath
// from `folder` and `file_name`), or empty: the logging start's folder and
// name checks, a file name longer than the file system takes, and a file
// that exists already.
std::string RefuseRecording(const std::string& folder, const std::string& file_name, const std::string& path);

}  // namespace kelvara
