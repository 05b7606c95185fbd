#pragma once
// The logging panel's model and its writers. The user-interface thread sets
// the options and starts a run; the measurement worker calls the writers
// (one thread at a time) and reads the options at each frame. Options are
// atomics and the names sit behind a small lock, so both sides may run at
// once.
//
// Every writer goes on with the next file when one cannot be written, but
// the first file of a run that failed is kept, so that the caller can tell
// the user ("Failed to output file!! [ %s ]") instead of reporting success.
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "config/device_parameters.h"
#include "frame/frame_layout.h"
#include "link/device_commands.h"
#include "logging/log_texts.h"
#include "logging/plane_view.h"

namespace kelvara {

// The message for a run with a file that could not be written.
std::string OutputFailureMessage(const std::string& path);

class LogWriter {
 public:
  // Saves display image 0 as PNG at the path; true on success. Set by the
  // owner of the rendering model (the picture window's image, mirrors
  // applied); without one a PNG cannot be written.
  using PngSaver = std::function<bool(const std::string& path)>;

  // The panel's check boxes ("CSV", "PNG", "Binary", "PCD").
  void SetCsvCheck(bool on) { csv_.store(on); }
  void SetPngCheck(bool on) { png_.store(on); }
  void SetBinCheck(bool on) { bin_.store(on); }
  void SetPcdCheck(bool on) { pcd_.store(on); }
  bool CsvCheck() const { return csv_.load(); }
  bool PngCheck() const { return png_.load(); }
  bool BinCheck() const { return bin_.load(); }
  bool PcdCheck() const { return pcd_.load(); }

  // TotalNumberOfLogs, NumberOfLogsAtOnce, LoggingInterval.
  void SetSchedule(const LogSchedule& schedule);
  LogSchedule Schedule() const;

  // The frame format the writers branch on (1 until the first connect).
  void SetFormatIndex(int format_index) { format_index_.store(format_index); }
  int FormatIndex() const { return format_index_.load(); }

  void SetMirror(Mirror mirror);
  Mirror GetMirror() const { return {mirror_x_.load(), mirror_y_.load()}; }

  void SetPngSaver(PngSaver saver);

  // Start of a logging run: base name = file name or "unnamed", the save
  // folder as given; the raw subfolder becomes "0000" for more than 1000
  // logs, else empty (created in the save folder at once with "Binary"
  // checked, else with the run's first raw file). The failure record of the
  // previous run is cleared.
  void StartRun(const std::string& save_folder, const std::string& file_name);

  // Empty outside a logging run.
  std::string BaseName() const;
  std::string SaveFolder() const;
  std::string RawSubfolder() const;

  // Writes the per-frame files of one result frame: those the format table
  // lists for the current format and whose boxes are ticked (`frame_bytes`
  // must be at least kMeasurementFrameBytes, and the format one of the
  // table, else nothing is written).
  void WriteFrameLogs(int log_number, const unsigned char* frame, std::size_t frame_bytes);
  // Appends one temperature line (nothing when the sample was not taken).
  void WriteTemperatureLog(const TemperatureSample& sample);
  // Theta and phi as CSV ("CSV") and raw ("Binary") files.
  void WriteAngleLogs(const ThetaPhiTable& table);
  // Appends the settings block and ends the run (the base name is cleared).
  void WriteSettingsLog(const DeviceParameters& parameters, int frames);

  // The first file of the current or last run that could not be written;
  // empty when every file was.
  std::string FirstFailure() const;
  // Frames of the current or last run whose files were all written.
  int WholeFrames() const { return whole_frames_.load(); }

 private:
  struct Names {
    std::string folder, base;
  };
  Names CurrentNames() const;
  void Record(bool ok, const std::string& path);
  void WriteCsv(const std::string& path, PlaneView plane, Mirror mirror);
  void WriteFrameFiles(const Names& names, int log_number, const unsigned char* frame);
  void WriteRawLog(const Names& names, int log_number, PlaneView plane, Mirror mirror);

  std::atomic<bool> csv_{false}, png_{false}, bin_{true}, pcd_{true};
  std::atomic<int> total_{10}, once_{1}, interval_{0};
  std::atomic<int> format_index_{1};
  std::atomic<bool> mirror_x_{false}, mirror_y_{false};
  std::atomic<int> failed_files_{0}, whole_frames_{0};

  mutable std::mutex mutex_;  // guards the strings and the saver below
  std::string save_folder_;
  std::string base_name_;
  std::string raw_subfolder_;
  std::string created_raw_subfolder_;  // the last one made in this run's folder
  std::string first_failure_;
  PngSaver png_saver_;

  // Worker-side buffers, reused from frame to frame.
  std::vector<char> buffer_;
  std::vector<unsigned char> angle_bytes_;
};

}  // namespace kelvara
