#pragma once
// Files that are complete or absent. A file is written under a hidden
// temporary name in its own folder and renamed into place only when every
// byte is on disk and the file closed cleanly, so that a full disk or a file
// size limit never leaves a truncated file under the real name, and a reader
// opening the file meanwhile finds the old one or the new one whole. A file
// that grows by appending is cut back to its size before the append when the
// append fails, so it always ends with its last whole line.
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace kelvara {

struct WholeFileOptions {
  // Flushes the bytes to the disk before the rename, for a file whose loss
  // in a power cut would cost the user more than the wait (the profile).
  bool sync = false;
  // The permissions a new file gets (less the umask).
  mode_t mode = 0666;
};

// Replaces `path` with `size` bytes. On failure the temporary file is removed
// and `path` is left as it was. A `path` that exists and is not a regular
// file (a device, a pipe) is written in place: it cannot be replaced. A
// pipe that nobody reads fails at once.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, const WholeFileOptions& options = {});

// Appends `text` to `path`, creating it when missing; a file created by this
// call gets `header` first. On failure the file is cut back to its previous
// length (a file this call created is removed).
bool AppendWhole(const std::string& path, const std::string& text, const std::string& header);

// The longest name of a folder entry on Linux file systems (NAME_MAX).
constexpr std::size_t kMaxNameBytes = 255;

// The hidden temporary name used for `path` ("folder/.name.tmp<pid>-<n>");
// the name part is shortened so that the whole entry stays within
// kMaxNameBytes.
std::string WholeFileTemporaryPath(const std::string& path);

}  // namespace kelvara
