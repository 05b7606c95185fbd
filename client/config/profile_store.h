#pragma once
// The client's profile: one INI file next to the program ("Kelvara.ini").
//
// Windows profile rules: section and key names match without regard to case;
// a missing file, section or key reads as the default; a read value is cut
// to its first 511 characters; a write creates the file, the section and
// the key as needed and keeps every other line. Lines end in CR LF.
// A write replaces the file atomically (temporary file, then rename).
#include <string>
#include <utility>

namespace kelvara {

// Sets the profile path used by every later call.
void IniSetFilePath(const std::string& path);
std::string IniFilePath();

// Returns 0. `*value` receives the stored text or `default_value`.
int IniReadString(const std::string& section, const std::string& key, const std::string& default_value,
                  std::string* value);

// Returns 0. Reads the text (default formatted with "%d") and converts it by
// the leading-integer rule: optional white space, sign and digits; text
// without digits gives 0.
int IniReadInt(const std::string& section, const std::string& key, int default_value, int* value);

// Returns 0 on success, -1 on failure (no path, unwritable folder, or a
// name or value that contains a line break and would corrupt the file).
int IniWriteString(const std::string& section, const std::string& key, const std::string& value);
int IniWriteInt(const std::string& section, const std::string& key, int value);

// The leading-integer rule on its own; saturates at the int range.
int ParseLeadingInt(const std::string& text);

// One profile file, by its path, with the same rules as the calls above;
// what a panel's options load from and save to.
class Profile {
 public:
  explicit Profile(std::string path) : path_(std::move(path)) {}
  // The profile the calls above use (IniSetFilePath).
  static Profile Current() { return Profile(IniFilePath()); }
  const std::string& path() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& default_value) const;
  int ReadInt(const std::string& section, const std::string& key, int default_value) const;
  // False when the value could not be stored (no path, unwritable folder,
  // a line break in a name or the value).
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInt(const std::string& section, const std::string& key, int value);

 private:
  std::string path_;
};

}  // namespace kelvara
