#pragma once
// The logging panel's options without Qt: the file types, the schedule, the
// file name and the save folder, as the profile's "Logging" section keeps
// them. Loaded when the panel opens, checked and saved when a logging run
// starts.
#include <string>

#include "config/profile_store.h"
#include "config/range_message.h"
#include "logging/log_texts.h"

namespace kelvara {

class LogWriter;

// A base name that names a file inside the save folder: no separators, no
// control characters, not "." or "..".
bool IsPlainFileName(const std::string& name);

struct LoggingOptions {
  static constexpr int kNumberLimit = 999999;  // the highest count or interval

  bool csv = false;
  bool png = false;
  bool bin = true;
  bool pcd = true;
  LogSchedule schedule;  // total (1..), once (1..), interval (0..), all up to kNumberLimit
  std::string file_name;
  std::string save_path;

  // Missing keys read as the defaults above.
  static LoggingOptions Load(const Profile& profile);
  // False when a key could not be written (all are tried).
  bool Save(Profile& profile) const;
  // The message of the first refused value, in the panel's order (total,
  // once, interval, file name); empty when every value is accepted.
  std::string Validate() const;
  // The file types and the schedule, into the writer.
  void ApplyTo(LogWriter& writer) const;
};

}  // namespace kelvara
