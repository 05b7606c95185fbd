#pragma once
// The per-user runtime directory that holds the viewer's socket, the
// single-instance lock file and the serial port directory.
//
//   $KELVARA_RUNTIME_DIR                 when set (tests run side by side)
//   $XDG_RUNTIME_DIR/kelvara/            when XDG_RUNTIME_DIR is set
//   /tmp/kelvara-<uid>/                  otherwise
//
// The port directory is $KELVARA_PORT_DIR when set, else <runtime>/ports/.
#include <string>

namespace kelvara {

// Path of the runtime directory without a trailing '/'. Does not create it.
std::string RuntimeDirPath();

// Creates the runtime directory (mode 0700) when missing and checks that it
// is a directory that belongs to the calling user and that nobody else may
// write to. Returns its path, or an empty string (with errno set, and
// RuntimeDirProblem() telling what is wrong and how to fix it) when it
// cannot be used.
std::string EnsureRuntimeDir();

// Path of the serial port directory without a trailing '/'. Does not create it.
std::string PortDirPath();

// Creates the port directory when missing, with the same checks; empty
// string on failure.
std::string EnsurePortDir();

// True when `path` is a directory (not a link) of the calling user that no
// one else may write to. Does not create anything.
bool IsPrivateDir(const std::string& path);

// Why the last EnsureRuntimeDir or EnsurePortDir of this thread failed, and
// how to fix it (one line).
std::string RuntimeDirProblem();

// Path of the viewer's socket ("mypipe" in the runtime directory). The viewer
// and the bridge library both use this one function.
std::string ViewerSocketPath();

// Path of the client's single-instance lock file.
std::string InstanceLockPath();

}  // namespace kelvara
