#pragma once
// What every program answers to "--version" (and, for the programs whose
// command line has no parser of its own, to "--help"): the project's
// version, and a usage text on stdout.
#include <string>

namespace kelvara {

// The version of this build, e.g. "1.0.0".
const char* KelvaraVersion();

// "<program> <version>", the line "--version" prints.
std::string VersionLine(const char* program);

// True when the command line asks for the version: its first argument is
// "--version". Any later "--version" may be the value of an option.
bool AsksForVersion(int argc, const char* const* argv);

// True when the first argument is "--help" or "-h".
bool AsksForHelp(int argc, const char* const* argv);

// Prints the version line on stdout when asked; true when it did (the
// program then exits with status 0).
bool AnswerVersion(int argc, const char* const* argv, const char* program);

}  // namespace kelvara
