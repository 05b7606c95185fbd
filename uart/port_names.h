#pragma once
// Where the serial library finds its ports, and the number of each.
//
//   COM1 .. COM127  entries "COM<n>" of the port directory (PortDirPath()),
//                   each a symbolic link to a serial device; the simulator
//                   registers its pseudo-terminal there.
//   COM100 + k      /dev/ttyUSB<k>, k = 0..13   (COM100 .. COM113)
//   COM114 + k      /dev/ttyACM<k>, k = 0..13   (COM114 .. COM127)
//
// Port numbers travel as signed 8-bit values, hence the ceiling of 127. A
// port-directory entry takes precedence over a detected device of the same
// number (keep your own links to 1..99 to avoid shadowing one).
#include <string>
#include <vector>

namespace kelvara {
namespace uart {

constexpr int kMinPort = 1;
constexpr int kMaxPort = 127;
constexpr int kUsbBase = 100;
constexpr int kAcmBase = 114;
constexpr int kDevicesPerKind = 14;

// Number of a port-directory entry name ("COM7" -> 7), -1 when the name is
// not "COM" followed by a plain decimal 1..127.
int PortNumberOfEntryName(const std::string& name);

// Number of a detected device name ("ttyUSB3" -> 103, "ttyACM0" -> 114), -1
// for any other name.
int PortNumberOfDeviceName(const std::string& name);

// The device a port number stands for, or "" when there is none (also for
// an entry a killed simulator left behind, see port_entry_lock.h). A
// port-directory entry wins over a detected device.
std::string PortDevicePath(int port);

// Every port present, in ascending order: port-directory entries that lead
// to a character device (stale links and entries of simulators that are
// gone are skipped) and detected devices.
std::vector<int> ListPorts();

}  // namespace uart
}  // namespace kelvara
