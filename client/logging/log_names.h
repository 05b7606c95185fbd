#pragma once
// Names of the log files. The save folder is used as typed; a separator it
// ends with is not doubled, so that messages show clean paths. Log numbers are printed with at least four digits
// ("%04d").
#include <string>

namespace kelvara {

// "<folder>/<base><infix><number><extension>", e.g. infix "_amp_" and
// extension ".csv" give "<folder>/<base>_amp_0007.csv".
std::string NumberedLogPath(const std::string& folder, const std::string& base, const char* infix, int log_number,
                            const char* extension);

// "<folder>/<subfolder>/<base>_body_<number>.raw", or
// "<folder>/<base>_body_<number>.raw" when the subfolder is empty.
std::string RawLogPath(const std::string& folder, const std::string& subfolder, const std::string& base,
                       int log_number);

// "<folder>/<base><suffix>" for the files of a whole run ("_temp.csv",
// "_theta.raw", ".txt", ...).
std::string RunLogPath(const std::string& folder, const std::string& base, const char* suffix);

// The thousands folder of a raw log: "%04d" of log_number / 1000.
std::string RawSubfolderOf(int log_number);

// The base name of a run: the file name, or "unnamed" when that is empty.
std::string RunBaseName(const std::string& file_name);

}  // namespace kelvara
