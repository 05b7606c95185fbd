#pragma once
// Where a logging run writes, checked when the run starts, before anything
// is written: the folder (typed in a field that allows line breaks), the
// length of the longest file name, and the files of an earlier run with the
// same name that the run would overwrite. No Qt.
#include <string>
#include <vector>

namespace kelvara {

// The folder as the user means it: line breaks and spaces at either end
// dropped (a line break typed at the end of the field).
std::string CleanFolderText(const std::string& typed);

// The message that refuses a run into `folder` with base name `base` and
// `total` logs; empty when the run may start. Refused: an empty folder, a
// line break or other control character inside it, a folder that does not
// exist or cannot be written, and a base name whose longest log file name
// exceeds the file system's limit of 255 bytes.
std::string RefuseDestination(const std::string& folder, const std::string& base, int total);

// The names of the files in `folder` that a run with base name `base`
// writes to as well ("<base>_..." and "<base>.txt"), sorted; at most
// `limit` of them.
std::vector<std::string> ExistingRunFiles(const std::string& folder, const std::string& base, size_t limit = 1000);

// The Yes/No question before such files are overwritten.
std::string OverwriteQuestion(const std::string& folder, const std::vector<std::string>& existing);

}  // namespace kelvara
