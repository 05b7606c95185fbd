#include "capture/capture_session.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "capture/capture_cloud.h"
#include "capture/capture_recorder.h"
#include "common/serial_access.h"
#include "session/session.h"

namespace kelvara {
namespace {

int Fail(CaptureConsole& console, int status, const std::string& text) {
  console.ShowMessage(text, MessageIcon::kNone);
  return status;
}

bool PortListed(Session& session, int port) {
  const std::vector<int> ports = session.ListPorts();
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

int RunCapture(const CaptureOptions& o, const std::string& data_folder, SerialLibrary& serial, CameraLink::Pause pause,
               CaptureConsole& console, const StopRequests& stop_requests) {
  const std::string port_name = "COM" + std::to_string(o.port);
  // The measurement outputs are chosen once the format is known.
  ForwardingObserver observer(console, console);
  SessionOptions session_options;
  session_options.data_folder = data_folder;
  session_options.data_folder = data_folder;
  session_options.pause = std::move(pause);
  session_options.refresh_angle_file = false;
  session_options.apply_at_start = false;
  Session session(serial, observer, std::move(session_options));

  if (!PortListed(session, o.port)) return Fail(console, kExitNoPort, "no such port " + port_name);
  // The folders are checked before the camera is touched.
  if (!EnsureWritableFolder(o.out)) return Fail(console, kExitOutput, "cannot write to the output folder " + o.out);
  if (o.export_3d && !EnsureWritableFolder(data_folder + "3d_data"))
    return Fail(console, kExitOutput, "cannot write to " + data_folder + "3d_data");
  const std::string clash = o.record.empty() ? std::string() : RecordingClashWithRun(o.record, o.out, o.name);
  if (!clash.empty()) return Fail(console, kExitUsage, clash);

  switch (session.Connect(o.port)) {
    case ConnectResult::kConnected: break;
    case ConnectResult::kOpenFailed: {
      const std::string cause = SerialOpenProblem(errno);  // the serial library's reason
      return Fail(console, kExitNoPort, "cannot open port " + port_name + ": " + cause);
    }
    default: return Fail(console, kExitNoAnswer, "no answer from the camera on " + port_name);
  }
  console.ShowMessage("connected to " + port_name + ", server version " + VersionText(session.Version()),
                      MessageIcon::kNone);

  if (o.format >= 0 && !session.SendFormat(o.format))
    return Fail(console, kExitFormatRefused, std::string("the camera refused the format ") + kFormatNames[o.format]);
  const int format_index = session.model().parameters().format.current;
  if (format_index < 0)
    return Fail(console, kExitFormatRefused, "the camera's output format is unknown: give --format");

  if (!o.cloud.empty() && (IsPlaneFrameFormat(format_index) || !CloudExportBuilt())) {
    return Fail(console, kExitUsage,
                CloudExportBuilt() ? std::string("--cloud needs a point format, not ") + kFormatNames[format_index]
                                   : "--cloud: this build has no cloud export");
  }
  CloudOutputs clouds(console, o.out, o.name, o.cloud, o.filters);
  MeasurementOutputs& shown = o.cloud.empty() ? static_cast<MeasurementOutputs&>(console) : clouds;

  // --record: the camera's replies and the file, before the first frame.
  observer.SetOutputs(shown);
  if (!o.record.empty()) {
    std::string why;
    switch (session.StartRecording(o.record, &why)) {
      case RecordStart::kStarted: break;
      case RecordStart::kFileFailed:
        return Fail(console, kExitOutput, OutputFailureMessage(o.record) + " (" + why + ")");
      default: return Fail(console, kExitNoAnswer, why);
    }
  }

  session.SelectFormat(format_index);
  session.SetViewRange(o.range_min, o.range_max);
  session.SetFlips(o.hflip, !o.vflip);
  session.SetStopSampling(o.stop_sampling);
  session.SetLoggingSchedule({o.total, o.once, o.interval});
  LogWriter& logger = session.logger();
  logger.SetCsvCheck(o.csv);
  logger.SetPngCheck(o.png);
  logger.SetBinCheck(o.bin);
  logger.SetPcdCheck(o.pcd);
  logger.StartRun(o.out, o.name);
  if (o.export_3d) session.control().display3d.stopped = 0;

  console.SetTotal(o.total);
  // A continuous run that ends with the logging run.
  if (session.StartLogging() != StartOutcome::kStarted)
    return Fail(console, kExitMeasurement, "cannot start the measurement thread");
  bool stopping = false;
  while (!session.WaitForEnd(100)) {
    const int request = stop_requests ? stop_requests() : 0;
    if (request == 1 && !stopping) {
      // Log one more frame, end the logging run (settings block included),
      // then the run ends with it.
      stopping = true;
      console.ShowMessage("stopping: logging one more frame", MessageIcon::kNone);
      session.StopLogging();
    } else if (request >= 1) {
      console.ShowMessage("stopping now", MessageIcon::kNone);
      session.Stop();
    }
    console.ShowProgress(SteadyNowNs());
  }
  session.Shutdown();
  console.ShowProgress(SteadyNowNs(), true);
  console.FinishProgress();

  const RunSummary s = session.LastSummary();
  // A run that ended before its logging run (too many failed cycles, say)
  // still gets the settings block that describes the frames it logged.
  if (!logger.BaseName().empty()) logger.WriteSettingsLog(session.model().parameters(), console.Logged());

  console.ShowMessage(SummaryLine(s, logger.WholeFrames()), MessageIcon::kNone);

  if (!o.record.empty()) {
    // Shutdown has ended the recording.
    const RecordingStatus recorded = session.Recording();
    if (!recorded.error.empty())
      return Fail(console, kExitOutput, OutputFailureMessage(recorded.path) + " (" + recorded.error + ")");
    console.ShowMessage(std::to_string(recorded.records) + " records written to " + recorded.path, MessageIcon::kNone);
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

std::string SummaryLine(const RunSummary& s, int64_t logged) {
  const double seconds = static_cast<double>(s.elapsed_ns) / 1e9;
  const FrameHealth& h = s.health;
  char line[256];
  std::snprintf(line, sizeof line,
                "%lld frames logged, %.1f frames per second, %lld failed cycles (%lld no response, %lld wrong start "
                "byte, %lld length mismatch)",
                static_cast<long long>(logged), seconds > 0 ? static_cast<double>(s.frames) / seconds : 0.0,
                static_cast<long long>(s.failed_cycles), static_cast<long long>(h.no_response),
                static_cast<long long>(h.wrong_start_byte), static_cast<long long>(h.length_mismatch));
  return line;
}

}  // namespace kelvara
