#include "uart/port_names.h"

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>

#include "common/port_entry_lock.h"
#include "common/runtime_dir.h"

namespace kelvara {
namespace uart {
namespace {

// Plain decimal without sign or leading zero, within [lo, hi]; -1 otherwise.
int ParseNumber(const std::string& s, size_t from, int lo, int hi) {
  if (from >= s.size() || s.size() - from > 3 || s[from] == '0') return -1;
  int n = 0;
  for (size_t i = from; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    n = n * 10 + (s[i] - '0');
  }
  return (n >= lo && n <= hi) ? n : -1;
}

bool IsCharDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

std::string EntryPath(int port) { return PortDirPath() + "/COM" + std::to_string(port); }

// An entry left behind by a simulator that is gone leads nowhere, whatever
// its device path now is.
bool LiveEntry(const std::string& entry) { return PortEntryOwnerOf(entry) != PortEntryOwner::kStale; }

std::string DetectedDevicePath(int port) {
  if (port >= kUsbBase && port < kUsbBase + kDevicesPerKind) return "/dev/ttyUSB" + std::to_string(port - kUsbBase);
  if (port >= kAcmBase && port < kAcmBase + kDevicesPerKind) return "/dev/ttyACM" + std::to_string(port - kAcmBase);
  return {};
}

}  // namespace

int PortNumberOfEntryName(const std::string& name) {
  if (name.compare(0, 3, "COM") != 0) return -1;
  return ParseNumber(name, 3, kMinPort, kMaxPort);
}

int PortNumberOfDeviceName(const std::string& name) {
  int k = -1;
  if (name.compare(0, 6, "ttyUSB") == 0 || name.compare(0, 6, "ttyACM") == 0) {
    // "ttyUSB0" is the first device: zero is allowed alone.
    k = name == "ttyUSB0" || name == "ttyACM0" ? 0 : ParseNumber(name, 6, 1, kDevicesPerKind - 1);
  }
  if (k < 0) return -1;
  return (name[3] == 'U' ? kUsbBase : kAcmBase) + k;
}

std::string PortDevicePath(int port) {
  if (port < kMinPort || port > kMaxPort) return {};
  const std::string entry = EntryPath(port);
  struct stat st {};
  if (lstat(entry.c_str(), &st) == 0) return LiveEntry(entry) ? entry : std::string();
  return DetectedDevicePath(port);
}

std::vector<int> ListPorts() {
  std::vector<int> ports;
  bool in_dir[kMaxPort + 1] = {};
  if (DIR* dir = opendir(PortDirPath().c_str())) {
    while (const dirent* e = readdir(dir)) {
      const int n = PortNumberOfEntryName(e->d_name);
      if (n < 0) continue;
      in_dir[n] = true;  // a stale entry still shadows the device number
      if (IsCharDevice(EntryPath(n)) && LiveEntry(EntryPath(n))) ports.push_back(n);
    }
    closedir(dir);
  }
  for (int n = kUsbBase; n <= kMaxPort; ++n)
    if (!in_dir[n] && IsCharDevice(DetectedDevicePath(n))) ports.push_back(n);
  std::sort(ports.begin(), ports.end());
  return ports;
}

}  // namespace uart
}  // namespace kelvara
