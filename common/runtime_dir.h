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
// belongs to the calling user and is a directory. Returns its path, or an
// empty string (with errno set) when it cannot be used.
std::string EnsureRuntimeDir();

// Path of the serial port directory without a trailing '/'. Does not create it.
std::string PortDirPath();

// Creates the port directory when missing; empty string on failure.
std::string EnsurePortDir();

// Path of the viewer's socket ("mypipe" in the runtime directory). The viewer
// and the bridge library both use this one function.
std::string ViewerSocketPath();

// Path of the client's single-instance lock file.
std::string InstanceLockPath();

}  // namespace kelvara
