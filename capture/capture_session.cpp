#include "capture_session.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture_cloud.h"
#include "capture_recorder.h"
#include "command_codes.h"
#include "log_writer.h"
#include "measurement_worker.h"
#include "parameter_model.h"
#include "rendering_model.h"
#include "run_control.h"
#include "serial_access.h"

namespace kelvara {
namespace {

int Fail(CaptureConsole& console, int status, const std::string& text) {
  console.ShowMessage(text, MessageIcon::kNone);
  return status;
}

bool PortListed(CameraLink& link, int port) {
  const std::vector<int> ports = link.ListPorts();
  return std::find(ports.begin(), ports.end(), port) != ports.end();
}

// Creates `path` and its missing parents; true when it is a folder we can
// write into.
bool EnsureWritableFolder(const std::string& path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      const std::string part = path.substr(0, pos);
      if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(path.c_str(), W_OK | X_OK) == 0;
}

std::string VersionText(const VersionReply& v) {
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%08u", v.major, v.minor, v.revision, v.build);
  return text;
}

}  // namespace

int RunCapture(const CaptureOptions& o, const std::string& program_folder, CameraLink& link, CaptureConsole& console,
               const StopRequests& stop_requests) {
  const std::string port_name = "COM" + std::to_string(o.port);
  if (!PortListed(link, o.port)) return Fail(console, kExitNoPort, "no such port " + port_name);
  // The folders are checked before the camera is touched.
  if (!EnsureWritableFolder(o.out)) return Fail(console, kExitOutput, "cannot write to the output folder " + o.out);
  if (o.export_3d && !EnsureWritableFolder(program_folder + "3d_data"))
    return Fail(console, kExitOutput, "cannot write to " + program_folder + "3d_data");
  const std::string clash = o.record.empty() ? std::string() : RecordingClashWithRun(o.record, o.out, o.name);
  if (!clash.empty()) return Fail(console, kExitUsage, clash);

  if (!link.Open(o.port)) {
    const std::string cause = SerialOpenProblem(errno);  // the serial library's reason
    return Fail(console, kExitNoPort, "cannot open port " + port_name + ": " + cause);
  }

  // The camera part of the connect sequence: stop a camera left measuring,
  // identify it, read its parameters.
  unsigned char status = 0;
  link.StopMeasurement(&status);
  VersionReply version;
  if (link.GetVersion(&status, &version) != 0 || status != 0) {
    link.Close();
    return Fail(console, kExitNoAnswer, "no answer from the camera on " + port_name);
  }
  console.ShowMessage("connected to " + port_name + ", server version " + VersionText(version), MessageIcon::kNone);
  ParameterModel model(link, console);
  model.ReadParametersFromDevice();

  if (o.format >= 0) {
    const int rc = link.SetFormat(kFormatCodes[o.format], &status);
    if (rc != 0 || status != 0) {
      link.Close();
      return Fail(console, kExitFormatRefused, std::string("the camera refused the format ") + kFormatNames[o.format]);
    }
    model.SelectFormatByCode(kFormatCodes[o.format]);
  }
  const int format_index = model.parameters().format.current;
  if (format_index < 0) {
    link.Close();
    return Fail(console, kExitFormatRefused, "the camera's output format is unknown: give --format");
  }

  if (!o.cloud.empty() && (IsPlaneFrameFormat(format_index) || !CloudExportBuilt())) {
    link.Close();
    return Fail(console, kExitUsage,
                CloudExportBuilt() ? std::string("--cloud needs a point format, not ") + kFormatNames[format_index]
                                   : "--cloud: this build has no cloud export");
  }
  CloudOutputs clouds(console, o.out, o.name, o.cloud);
  MeasurementOutputs& shown = o.cloud.empty() ? static_cast<MeasurementOutputs&>(console) : clouds;

  // --record: the camera's replies and the file, before the first frame.
  recording::RecordingWriter recorder;
  if (!o.record.empty()) {
    std::string why;
    const int rc = StartRecording(link, o.record, &recorder, &why);
    if (rc != kExitOk) {
      link.Close();
      return Fail(console, rc, why);
    }
  }
  RecordingOutputs recorded(shown, recorder, SteadyNowNs());
  MeasurementOutputs& outputs = recorder.is_open() ? static_cast<MeasurementOutputs&>(recorded) : shown;

  RenderingModel picture;
  picture.display_format = format_index;
  picture.range_min = o.range_min;
  picture.range_max = o.range_max;
  picture.mirror_x = o.hflip ? 1 : 0;
  picture.mirror_y = o.vflip ? 0 : 1;

  LogWriter logger;
  logger.SetCsvCheck(o.csv);
  logger.SetPngCheck(o.png);
  logger.SetBinCheck(o.bin);
  logger.SetPcdCheck(o.pcd);
  logger.SetFormatIndex(format_index);
  logger.SetMirror({picture.mirror_x.load() != 0, picture.mirror_y.load() != 0});
  logger.SetSchedule({o.total, o.once, o.interval});
  logger.SetPngSaver([&picture](const std::string& path) { return picture.SaveImageAsPng(path, 0); });
  logger.StartRun(o.out, o.name);

  RunControl control;
  control.program_folder = program_folder;
  control.display3d.format_index = format_index;
  control.SetStopSampling(o.stop_sampling);
  control.display3d.stopped = o.export_3d ? 0 : 1;
  control.StartLogging(o.total, o.once, o.interval);

  MeasurementWorker worker(MeasurementContext{link, control, picture, logger, console, outputs,
                                              [&model] { return model.parameters(); }, nullptr});
  console.SetTotal(o.total);
  // A continuous run that ends with the logging run.
  if (worker.Start(RunRequest::Continuous().EndingWithLogging()) != StartResult::kStarted) {
    link.Close();
    return Fail(console, kExitMeasurement, "cannot start the measurement thread");
  }
  bool stopping = false;
  while (!worker.WaitForEnd(100)) {
    const int request = stop_requests ? stop_requests() : 0;
    if (request == 1 && !stopping) {
      // Log one more frame, end the logging run (settings block included),
      // then the run ends with it.
      stopping = true;
      console.ShowMessage("stopping: logging one more frame", MessageIcon::kNone);
      control.StopLogging();
    } else if (request >= 1) {
      console.ShowMessage("stopping now", MessageIcon::kNone);
      worker.RequestStop();
    }
    console.ShowProgress(SteadyNowNs());
  }
  worker.Wait();
  console.ShowProgress(SteadyNowNs(), true);
  console.FinishProgress();

  const RunSummary s = worker.LastSummary();
  // A run that ended before its logging run (too many failed cycles, say)
  // still gets the settings block that describes the frames it logged.
  if (!logger.BaseName().empty()) logger.WriteSettingsLog(model.parameters(), console.Logged());
  link.Close();

  const double seconds = static_cast<double>(s.elapsed_ns) / 1e9;
  char line[160];
  // Only frames whose files were all written count as logged.
  std::snprintf(line, sizeof line, "%lld frames logged, %.1f frames per second, %lld failed cycles",
                static_cast<long long>(logger.WholeFrames()),
                seconds > 0 ? static_cast<double>(s.frames) / seconds : 0.0, static_cast<long long>(s.failed_cycles));
  console.ShowMessage(line, MessageIcon::kNone);

  recorded.Finish();
  if (recorder.is_open()) {
    std::string why, summary;
    if (FinishRecording(&recorder, &why, &summary) != kExitOk) return Fail(console, kExitOutput, why);
    console.ShowMessage(summary, MessageIcon::kNone);
  }
  if (!clouds.FirstFailure().empty()) return Fail(console, kExitOutput, clouds.FirstFailure());
  if (!logger.FirstFailure().empty()) return Fail(console, kExitOutput, OutputFailureMessage(logger.FirstFailure()));
  switch (s.end) {
    case RunEnd::kStartFailed:
    case RunEnd::kFailures:
    case RunEnd::kRestartFailed: return kExitMeasurement;
    default: return kExitOk;
  }
}

}  // namespace kelvara
