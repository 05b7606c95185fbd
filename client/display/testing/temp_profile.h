#pragma once
// A profile file of its own for one test, in a fresh temporary folder that
// is removed afterwards.
#include <QTemporaryDir>
#include <string>

#include "config/profile_store.h"

namespace kelvara {
namespace testing_support {

class TempProfile {
 public:
  TempProfile() { IniSetFilePath(Path()); }
  ~TempProfile() { IniSetFilePath(""); }
  std::string Path() const { return dir_.filePath("Kelvara.ini").toStdString(); }
  std::string Folder() const { return dir_.path().toStdString(); }
  int ReadInt(const char* section, const char* key, int default_value = -12345) const {
    int value = 0;
    IniReadInt(section, key, default_value, &value);
    return value;
  }
  std::string ReadString(const char* section, const char* key) const {
    std::string value;
    IniReadString(section, key, "<missing>", &value);
    return value;
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace testing_support
}  // namespace kelvara
