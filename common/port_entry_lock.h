#pragma once
// Liveness of the port-directory entries the simulator registers. Beside its
// entry "COM<n>" the simulator keeps a file "COM<n>.lock" with a lock held
// for as long as it runs. An entry with such a file whose lock nobody holds
// was left behind by a simulator that was killed: its device path may by now
// belong to another terminal, so the entry must be neither listed nor
// opened. Entries without a lock file (links a user made to real devices)
// are not affected.
#include <string>

namespace kelvara {

// "<entry>.lock".
std::string PortEntryLockPath(const std::string& entry_path);

enum class PortEntryOwner {
  kNone,   // no lock file: an entry made by hand
  kLive,   // a running simulator holds the lock
  kStale,  // the lock file is there but nobody holds it
};

// Tells, without taking the lock, who stands behind `entry_path`.
PortEntryOwner PortEntryOwnerOf(const std::string& entry_path);

// Creates (or reuses) the lock file of `entry_path` and takes its lock; the
// lock lasts as long as the returned descriptor stays open. -1 when the file
// cannot be opened or a live simulator holds it (errno EWOULDBLOCK).
// `*created` tells whether this call created the file.
int TakePortEntryLock(const std::string& entry_path, bool* created);

}  // namespace kelvara
