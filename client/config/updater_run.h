#pragma once
// The table upload before the first open of a port: the uploader "Brenvik"
// is started from the program folder without a shell, with an argument
// vector, and its exit status tells success (0).
#include <functional>
#include <string>
#include <vector>

namespace kelvara {

// Runs a program (argv[0] is its path) and waits for it. Returns its exit
// status, or -1 when it could not be started or did not exit normally.
using ProgramRunner = std::function<int(const std::vector<std::string>& argv)>;

int SpawnAndWait(const std::vector<std::string>& argv);

// The table file and the marker that says it has been uploaded in this run.
inline std::string TableFilePath(const std::string& program_folder) { return program_folder + "Table/qor_table.dat"; }
inline std::string UploadMarkerPath(const std::string& marker_folder) { return marker_folder + "uploaded"; }

// "<folder>Brenvik <port digits> <folder>Table/qor_table.dat 0x10000000".
std::vector<std::string> UpdaterArguments(const std::string& program_folder, const std::string& port_digits);

enum class UploadDecision { kNone, kUpload };
// No upload once the marker exists; otherwise upload when the table exists.
UploadDecision DecideUpload(const std::string& program_folder, const std::string& marker_folder);

// Runs the updater at most `attempts` times, stopping at the first success;
// on success creates the marker (a failure to create it is ignored).
// Returns true on success.
bool UploadTable(const std::vector<std::string>& argv, const std::string& marker_folder, const ProgramRunner& runner,
                 int attempts = 5);

}  // namespace kelvara
