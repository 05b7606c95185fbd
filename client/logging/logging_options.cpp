#include "logging/logging_options.h"

#include "logging/log_writer.h"

namespace kelvara {
namespace {

constexpr char kSection[] = "Logging";

}  // namespace

bool IsPlainFileName(const std::string& name) {
  if (name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

LoggingOptions LoggingOptions::Load(const Profile& profile) {
  LoggingOptions o;
  o.csv = profile.ReadInt(kSection, "CSVCheck", 0) != 0;
  o.png = profile.ReadInt(kSection, "PNGCheck", 0) != 0;
  o.bin = profile.ReadInt(kSection, "BINCheck", 1) != 0;
  o.pcd = profile.ReadInt(kSection, "PCDCheck", 1) != 0;
  o.schedule.total = profile.ReadInt(kSection, "TotalNumberOfLogs", 10);
  o.schedule.once = profile.ReadInt(kSection, "NumberOfLogsAtOnce", 1);
  o.schedule.interval = profile.ReadInt(kSection, "LoggingInterval", 0);
  o.file_name = profile.ReadString(kSection, "FileName", "");
  o.save_path = profile.ReadString(kSection, "SavePath", "");
  return o;
}

bool LoggingOptions::Save(Profile& profile) const {
  bool ok = profile.WriteInt(kSection, "CSVCheck", csv ? 1 : 0);
  ok &= profile.WriteInt(kSection, "PNGCheck", png ? 1 : 0);
  ok &= profile.WriteInt(kSection, "BINCheck", bin ? 1 : 0);
  ok &= profile.WriteInt(kSection, "PCDCheck", pcd ? 1 : 0);
  ok &= profile.WriteInt(kSection, "TotalNumberOfLogs", schedule.total);
  ok &= profile.WriteInt(kSection, "NumberOfLogsAtOnce", schedule.once);
  ok &= profile.WriteInt(kSection, "LoggingInterval", schedule.interval);
  ok &= profile.WriteString(kSection, "FileName", file_name);
  ok &= profile.WriteString(kSection, "SavePath", save_path);
  return ok;
}

std::string LoggingOptions::Validate() const {
  const struct {
    int value;
    int lowest;
  } numbers[] = {{schedule.total, 1}, {schedule.once, 1}, {schedule.interval, 0}};
  for (const auto& n : numbers) {
    if (n.value < n.lowest || n.value > kNumberLimit) return NumberRangeMessage(n.lowest, kNumberLimit);
  }
  if (!IsPlainFileName(file_name)) return "Invalid file name!! [ " + file_name + " ]";
  return std::string();
}

void LoggingOptions::ApplyTo(LogWriter& writer) const {
  writer.SetCsvCheck(csv);
  writer.SetPngCheck(png);
  writer.SetBinCheck(bin);
  writer.SetPcdCheck(pcd);
  writer.SetSchedule(schedule);
}

}  // namespace kelvara
