#pragma once
// Reading what a test left on disk (and writing the odd input file): whole
// files, the names in a folder, every file below a folder.
#include <map>
#include <set>
#include <string>

namespace kelvara {
namespace testing {

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// The file's bytes in `*bytes`, or false when it cannot be opened (yet).
bool ReadFileIfThere(const std::string& path, std::string* bytes);

// Replaces the file with `bytes`.
void WriteFile(const std::string& path, const std::string& bytes);

bool Exists(const std::string& path);

// Every name in the folder but "." and "..", hidden ones too (a temporary
// file left behind shows); empty when the folder cannot be read.
std::set<std::string> ListFolder(const std::string& path);

// Every regular file below `root`, as paths relative to it ("0000/a.raw").
std::set<std::string> FilesUnder(const std::string& root);

// Every regular file below `root` with its bytes, keyed like FilesUnder.
std::map<std::string, std::string> ReadTree(const std::string& root);

}  // namespace testing
}  // namespace kelvara
