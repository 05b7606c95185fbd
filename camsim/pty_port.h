#pragma once
// The simulator's pseudo-terminal and its entry "COM<n>" in the port
// directory, through which the serial library finds it.
#include <string>

namespace kelvara {
namespace camsim {

class PtyPort {
 public:
  PtyPort() = default;
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Creates the terminal pair in raw mode. The simulator keeps a descriptor
  // of the device side open itself, so that a client closing the port does
  // not hang up the line.
  bool Open(std::string* error);

  // Links COM<port> to the device (port 0: the first free number 1..99) and
  // holds the entry's lock (port_entry_lock.h) while it runs. Entries left
  // by killed simulators are removed first; an entry made by hand whose
  // device is gone is replaced; a live one is an error.
  bool Register(int port, std::string* error);
  // Removes the entry, if it still leads to this terminal.
  void Unregister();

  int master() const { return master_; }
  int port() const { return port_; }
  const std::string& device_path() const { return device_; }
  const std::string& link_path() const { return link_; }

 private:
  enum class Link { kMade, kTaken, kFailed };
  Link TryLink(int port, bool replace_stale, std::string* error);
  void RemoveStaleEntries();
  int master_ = -1;
  int slave_ = -1;
  int lock_ = -1;  // the entry's lock file, locked
  int port_ = 0;
  std::string device_;
  std::string link_;
};

}  // namespace camsim
}  // namespace kelvara
