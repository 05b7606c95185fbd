#include "logging/log_writer.h"

#include <sys/stat.h>

#include "logging/log_files.h"
#include "logging/log_names.h"

namespace kelvara {
namespace {

// Creates a folder; one that exists already is fine, and any other failure
// shows up when the first file in it cannot be written.
void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0777); }

}  // namespace

std::string OutputFailureMessage(const std::string& path) { return "Failed to output file!! [ " + path + " ]"; }

void LogWriter::SetSchedule(const LogSchedule& schedule) {
  total_.store(schedule.total);
  once_.store(schedule.once);
  interval_.store(schedule.interval);
}

LogSchedule LogWriter::Schedule() const { return {total_.load(), once_.load(), interval_.load()}; }

void LogWriter::SetMirror(Mirror mirror) {
  mirror_x_.store(mirror.x);
  mirror_y_.store(mirror.y);
}

void LogWriter::SetPngSaver(PngSaver saver) {
  std::lock_guard<std::mutex> lock(mutex_);
  png_saver_ = std::move(saver);
}

void LogWriter::StartRun(const std::string& save_folder, const std::string& file_name) {
  bool make_raw_folder = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    base_name_ = RunBaseName(file_name);
    save_folder_ = save_folder;
    first_failure_.clear();
    failed_files_.store(0);
    whole_frames_.store(0);
    // Decided for every run, "Binary" ticked or not: it may be ticked during
    // the run, and then the raw files belong in this run's folders, not in
    // the subfolder of an earlier run.
    const bool thousands = total_.load() > 1000;
    raw_subfolder_ = thousands ? RawSubfolderOf(0) : std::string();
    created_raw_subfolder_.clear();
    make_raw_folder = thousands && bin_.load();
    if (make_raw_folder) created_raw_subfolder_ = raw_subfolder_;
  }
  if (make_raw_folder) MakeFolder(save_folder + "/" + RawSubfolderOf(0));
}

std::string LogWriter::BaseName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return base_name_;
}

std::string LogWriter::SaveFolder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return save_folder_;
}

std::string LogWriter::RawSubfolder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return raw_subfolder_;
}

std::string LogWriter::FirstFailure() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return first_failure_;
}

LogWriter::Names LogWriter::CurrentNames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {save_folder_, base_name_};
}

void LogWriter::Record(bool ok, const std::string& path) {
  if (ok) return;
  failed_files_.fetch_add(1);
  std::lock_guard<std::mutex> lock(mutex_);
  if (first_failure_.empty()) first_failure_ = path;
}

void LogWriter::WriteCsv(const std::string& path, PlaneView plane, Mirror mirror) {
  Record(WritePlaneCsv(path, plane, mirror, &buffer_), path);
}

void LogWriter::WriteRawLog(const Names& names, int log_number, PlaneView plane, Mirror mirror) {
  // Raw files go into thousands folders once the run uses them ("0000" for
  // logs 0 to 999, "0001" for 1000 to 1999, ...). A folder is created when
  // the first raw file of this run needs it.
  std::string subfolder;
  bool create = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!raw_subfolder_.empty()) {
      raw_subfolder_ = RawSubfolderOf(log_number);
      create = raw_subfolder_ != created_raw_subfolder_;
      if (create) created_raw_subfolder_ = raw_subfolder_;
    }
    subfolder = raw_subfolder_;
  }
  if (create) MakeFolder(names.folder + "/" + subfolder);
  const std::string path = RawLogPath(names.folder, subfolder, names.base, log_number);
  Record(WritePlaneRaw(path, plane, mirror, &buffer_), path);
}

void LogWriter::WriteFrameLogs(int log_number, const unsigned char* frame, std::size_t frame_bytes) {
  if (frame == nullptr || frame_bytes < static_cast<std::size_t>(kMeasurementFrameBytes)) return;
  const Names n = CurrentNames();
  if (n.base.empty()) return;
  const int failed_before = failed_files_.load();
  WriteFrameFiles(n, log_number, frame);
  if (failed_files_.load() == failed_before) whole_frames_.fetch_add(1);
}

void LogWriter::WriteFrameFiles(const Names& n, int log_number, const unsigned char* frame) {
  // Options as they are at this frame.
  const int format = FormatIndex();
  const Mirror mirror = GetMirror();
  auto path = [&](const char* infix, const char* extension) {
    return NumberedLogPath(n.folder, n.base, infix, log_number, extension);
  };

  // Which files apply comes from the format table. Point frames are logged as
  // the camera's coordinates, never as the distances shown.
  const FormatFacts* facts = FormatAt(format);
  if (facts == nullptr) return;
  const FormatLogs& logs = facts->logs;
  if (logs.pcd && PcdCheck()) {
    const std::string p = path("_", ".pcd");
    Record(WriteFileBlock(p, frame, kPcdFileBytes), p);
  }
  if (logs.png && PngCheck()) {
    const std::string p = path("_", ".png");
    PngSaver saver;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      saver = png_saver_;
    }
    Record(saver && saver(p), p);
  }
  if (CsvCheck()) {
    if (logs.plane_csv) WriteCsv(path("_", ".csv"), {frame, 2}, mirror);
    if (logs.xyz_csv) {
      const unsigned char* records = frame + kPcdHeaderBytes;
      WriteCsv(path("_x_", ".csv"), {records, kPointRecordBytes}, mirror);
      WriteCsv(path("_y_", ".csv"), {records + 2, kPointRecordBytes}, mirror);
      WriteCsv(path("_z_", ".csv"), {records + 4, kPointRecordBytes}, mirror);
    }
    if (logs.amp_csv) WriteCsv(path("_amp_", ".csv"), {frame + facts->amplitude_offset, 2}, mirror);
  }
  if (logs.raw && BinCheck()) WriteRawLog(n, log_number, {frame, 2}, mirror);
}

void LogWriter::WriteTemperatureLog(const TemperatureSample& sample) {
  if (sample.sampled == -1) return;
  const Names n = CurrentNames();
  if (n.base.empty()) return;
  const std::string p = RunLogPath(n.folder, n.base, "_temp.csv");
  Record(AppendToFile(p, TemperatureLogLine(sample), kTemperatureLogHeader), p);
}

void LogWriter::WriteAngleLogs(const ThetaPhiTable& table) {
  const Names n = CurrentNames();
  if (n.base.empty()) return;
  const bool csv = CsvCheck();
  const bool bin = BinCheck();
  if (!csv && !bin) return;
  const bool complete = table.theta.size() >= static_cast<std::size_t>(kPixelCount) &&
                        table.phi.size() >= static_cast<std::size_t>(kPixelCount);
  // The planes as little-endian bytes, written as signed 16-bit samples
  // without conversion to degrees.
  angle_bytes_.resize(2 * kPlaneBytes);
  if (complete) {
    for (int i = 0; i < kPixelCount; ++i) {
      angle_bytes_[2 * i] = static_cast<unsigned char>(table.theta[i] & 0xFF);
      angle_bytes_[2 * i + 1] = static_cast<unsigned char>(table.theta[i] >> 8);
      angle_bytes_[kPlaneBytes + 2 * i] = static_cast<unsigned char>(table.phi[i] & 0xFF);
      angle_bytes_[kPlaneBytes + 2 * i + 1] = static_cast<unsigned char>(table.phi[i] >> 8);
    }
  }
  const Mirror mirror = GetMirror();
  const PlaneView theta{angle_bytes_.data(), 2};
  const PlaneView phi{angle_bytes_.data() + kPlaneBytes, 2};
  struct File {
    bool wanted;
    const char* suffix;
    PlaneView plane;
    bool raw;
  } files[] = {{csv, "_theta.csv", theta, false},
               {csv, "_phi.csv", phi, false},
               {bin, "_theta.raw", theta, true},
               {bin, "_phi.raw", phi, true}};
  for (const File& f : files) {
    if (!f.wanted) continue;
    const std::string p = RunLogPath(n.folder, n.base, f.suffix);
    // A table without its 76800 values per plane cannot be logged.
    const bool ok =
        complete && (f.raw ? WritePlaneRaw(p, f.plane, mirror, &buffer_) : WritePlaneCsv(p, f.plane, mirror, &buffer_));
    Record(ok, p);
  }
}

void LogWriter::WriteSettingsLog(const DeviceParameters& parameters, int frames) {
  const Names n = CurrentNames();
  if (n.base.empty()) return;
  const std::string p = RunLogPath(n.folder, n.base, ".txt");
  Record(AppendToFile(p, SettingsLogBlock(parameters, frames, Schedule())), p);
  // The run is over even when its summary could not be written: the failure
  // record tells the user, and later progress must not look like a run.
  std::lock_guard<std::mutex> lock(mutex_);
  base_name_.clear();
}

}  // namespace kelvara
