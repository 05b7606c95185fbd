#pragma once
// One client per user: an exclusive lock on the file
// "D0C54F0E-BE35-451A-95FB-0119E7BFF998.lock" in the runtime directory,
// held for the life of this object (and released by the system if the
// process dies).
#include <string>

namespace kelvara {

class InstanceLock {
 public:
  // Tries to take the lock on `path` (InstanceLockPath() by default).
  explicit InstanceLock(const std::string& path);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process holds the lock.
  bool Held() const { return fd_ >= 0; }
  // True when another process holds it (false also when the file could not
  // be opened at all).
  bool HeldElsewhere() const { return held_elsewhere_; }

 private:
  int fd_ = -1;
  bool held_elsewhere_ = false;
};

}  // namespace kelvara
