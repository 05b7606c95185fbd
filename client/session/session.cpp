#include "session/session.h"

#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>

#include "camera_facts/command_codes.h"
#include "feed3d/angle_refresh.h"

namespace kelvara {

const char* SessionStateName(SessionState state) {
  switch (state) {
    case SessionState::kDisconnected: return "Disconnected";
    case SessionState::kConnecting: return "Connecting";
    case SessionState::kReady: return "Ready";
    case SessionState::kMeasuring: return "Measuring";
    case SessionState::kStopping: return "Stopping";
  }
  return "?";
}

namespace {

Display3DOptions WithDefaults(Display3DOptions options, const SessionOptions& s, Notifier& notifier) {
  // The viewer and the bridge library come from the program folder.
  if (options.library_path.empty()) options.library_path = s.program_folder + "libvelmar.so";
  if (options.viewer_folder.empty()) options.viewer_folder = s.program_folder;
  if (!options.notifier) options.notifier = &notifier;
  return options;
}

}  // namespace

Session::Session(SerialLibrary& serial, SessionObserver& observer, SessionOptions options)
    : options_(std::move(options)),
      observer_(observer),
      link_(serial, options_.pause),
      model_(link_, observer_),
      worker_(MeasurementContext{link_, control_, rendering_, logger_, observer_, tap_,
                                 [this] { return RunParameters(); }, options_.now_ns, [this] { RunEnded(); },
                                 options_.frame_gate}) {
  control_.data_folder = options_.data_folder;
  link_.SetReplyTap(
      [this](int code, const unsigned char* reply, uint32_t length) { replies_.Heard(code, reply, length); });
  logger_.SetPngSaver([this](const std::string& path) { return rendering_.SaveImageAsPng(path, 0); });
  display3d_ = std::make_unique<Display3DControl>(options_.data_folder, &control_.display3d,
                                                  WithDefaults(std::move(options_.display3d), options_, observer_));
  SelectFormat(FormatIndex());
}

Session::~Session() { Shutdown(); }

SessionState Session::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

bool Session::RunAsked() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_ == SessionState::kMeasuring || deferred_.has_value();
}

void Session::SetState(SessionState state) {
  std::lock_guard<std::mutex> news(news_mutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == state) return;
    state_ = state;
  }
  observer_.StateChanged(state);
}

VersionReply Session::Version() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return version_;
}

std::shared_ptr<const ThetaPhiTable> Session::AngleTable() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return angle_table_;
}

DeviceParameters Session::RunParameters() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return run_parameters_;
}

ConnectResult Session::CloseAfter(ConnectResult result) {
  link_.Close();
  SetState(SessionState::kDisconnected);
  return result;
}

ConnectResult Session::Connect(int port) { return Connect(port, true); }

ConnectResult Session::Connect(int port, bool upload_table) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (run_active_ || shut_down_) return ConnectResult::kOpenFailed;
  }
  StopRecording();
  link_.Close();  // a second connect starts afresh
  replies_.Clear();
  cancel_connect_ = false;
  SetState(SessionState::kConnecting);
  if (Cancelled()) return CloseAfter(ConnectResult::kCancelled);

  // The camera's table goes up once per run of the program, before the
  // first open.
  if (upload_table && options_.upload_runner &&
      DecideUpload(options_.program_folder, options_.data_folder) == UploadDecision::kUpload) {
    if (!UploadTable(UpdaterArguments(options_.program_folder, std::to_string(port)), options_.data_folder,
                     options_.upload_runner))
      observer_.ShowMessage("Failed to upload Qor table.", MessageIcon::kNone);
  }
  if (Cancelled()) return CloseAfter(ConnectResult::kCancelled);
  if (!link_.Open(port, 0)) {
    SetState(SessionState::kDisconnected);
    return ConnectResult::kOpenFailed;
  }

  // A camera left measuring is stopped, then it identifies itself.
  unsigned char status = 0;
  link_.StopMeasurement(&status);
  if (Cancelled()) return CloseAfter(ConnectResult::kCancelled);
  VersionReply version;
  if (link_.GetVersion(&status, &version) != 0 || status != 0) return CloseAfter(ConnectResult::kNoAnswer);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    version_ = version;
  }
  if (Cancelled()) return CloseAfter(ConnectResult::kCancelled);
  model_.ReadParametersFromDevice();
  if (Cancelled()) return CloseAfter(ConnectResult::kCancelled);
  auto angle_table = std::make_shared<ThetaPhiTable>();
  if (options_.refresh_angle_file) RefreshAngleFile(link_, options_.data_folder, &observer_, angle_table.get());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    angle_table_ = std::move(angle_table);
  }
  if (Cancelled()) return CloseAfter(ConnectResult::kCancelled);
  if (model_.parameters().format.current >= 0) SelectFormat(model_.parameters().format.current);
  SetState(SessionState::kReady);
  return ConnectResult::kConnected;
}

void Session::Disconnect() {
  cancel_connect_ = true;
  bool active = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    deferred_.reset();
    active = run_active_;
    // With a run going on, the port closes once it has stopped the camera.
    if (active) disconnect_after_run_ = true;
  }
  if (active) {
    worker_.RequestStop();
    MarkStopping();
    return;
  }
  StopRecording();
  link_.Close();
  SetState(SessionState::kDisconnected);
}

bool Session::ApplyParameters() {
  if (State() != SessionState::kReady) return false;
  model_.ApplyParameters();
  RefreshReplies();
  return true;
}

bool Session::SendFormat(int format_index) {
  if (State() != SessionState::kReady || format_index < 0 || format_index >= kFormatCount) return false;
  unsigned char status = 0;
  if (link_.SetFormat(kFormatCodes[format_index], &status) != 0 || status != 0) return false;
  model_.SelectFormatByCode(kFormatCodes[format_index]);
  SelectFormat(format_index);
  RefreshReplies();
  return true;
}

void Session::SelectFormat(int format_index) {
  // The loop and the 3D side read the format from the shared state; the
  // log writer and the picture keep theirs in step from here only.
  control_.display3d.format_index = format_index;
  logger_.SetFormatIndex(format_index);
  rendering_.display_format = format_index;
}

void Session::SetLoggingSchedule(const LogSchedule& schedule) { logger_.SetSchedule(schedule); }

LogSchedule Session::LoggingSchedule() const { return logger_.Schedule(); }

void Session::SetViewRange(int minimum, int maximum) {
  rendering_.range_min = minimum;
  rendering_.range_max = maximum;
  control_.display3d.SetViewRange(minimum, maximum);
}

void Session::SetFlips(bool mirror_x, bool mirror_y) {
  rendering_.mirror_x = mirror_x ? 1 : 0;
  rendering_.mirror_y = mirror_y ? 1 : 0;
  logger_.SetMirror({mirror_x, mirror_y});
}

StartOutcome Session::Start(const RunRequest& request) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_ || state_ == SessionState::kDisconnected || state_ == SessionState::kConnecting)
      return StartOutcome::kRefused;
    if (run_active_) {
      // The run still owns the camera link: the parameters are sent and the
      // run begun once it has let go (RunEnded).
      deferred_ = request;
      disconnect_after_run_ = false;
      return StartOutcome::kDeferred;
    }
    run_active_ = true;
  }
  return BeginRun(request);
}

// Owner thread, with run_active_ set for this run.
StartOutcome Session::BeginRun(const RunRequest& request) {
  if (options_.apply_at_start) model_.ApplyParameters();  // refusals are reported there; the run starts anyway
  RefreshReplies();
  const DeviceParameters parameters = model_.parameters();
  if (parameters.format.current >= 0) SelectFormat(parameters.format.current);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    run_parameters_ = parameters;
  }
  SetState(SessionState::kMeasuring);
  if (worker_.Start(request) == StartResult::kFailed) {
    Settle();
    return StartOutcome::kFailed;
  }
  return StartOutcome::kStarted;
}

StartOutcome Session::StartLogging() {
  const LogSchedule s = logger_.Schedule();
  control_.StartLogging(s.total, s.once, s.interval);
  const SessionState state = State();
  if (state == SessionState::kMeasuring) return StartOutcome::kStarted;
  const StartOutcome outcome = Start(RunRequest::Continuous().EndingWithLogging());
  // Without a run to log from, the logging run is not left open.
  if (outcome == StartOutcome::kRefused || outcome == StartOutcome::kFailed) control_.EndLogging();
  return outcome;
}

void Session::Stop() {
  cancel_connect_ = true;
  bool active = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    deferred_.reset();
    active = run_active_;
  }
  if (!active) return;
  worker_.RequestStop();
  MarkStopping();
}

void Session::MarkStopping() {
  std::lock_guard<std::mutex> news(news_mutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // The run may have ended meanwhile: then Settle has set the state.
    if (!run_active_ || state_ != SessionState::kMeasuring) return;
    state_ = SessionState::kStopping;
  }
  observer_.StateChanged(SessionState::kStopping);
}

// No run goes on any more and none is to begin.
void Session::Settle() {
  bool disconnect = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    run_active_ = false;
    disconnect = disconnect_after_run_;
    disconnect_after_run_ = false;
  }
  if (disconnect) {
    StopRecording();
    link_.Close();
    SetState(SessionState::kDisconnected);
  } else {
    SetState(SessionState::kReady);
  }
}

// Worker thread, after the last run ended (Running() is false).
void Session::RunEnded() {
  bool deferred = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    deferred = deferred_.has_value() && !disconnect_after_run_ && !shut_down_;
  }
  if (!deferred) {
    Settle();
    return;
  }
  // The deferred run begins on the owner thread, which owns the parameter
  // model and its panel; until then the session stays Stopping and keeps
  // the run slot.
  auto begin = [this] {
    std::optional<RunRequest> request;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      request.swap(deferred_);
    }
    if (request && !shut_down_) BeginRun(*request);
    else Settle();  // stopped or disconnected meanwhile
  };
  if (options_.post) options_.post(begin);
  else begin();
}

void Session::Shutdown() {
  if (shut_down_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shut_down_ = true;
    deferred_.reset();
  }
  cancel_connect_ = true;
  worker_.RequestStop();
  worker_.Wait();
  display3d_->Stop();
  display3d_->WaitForBridgeThread();
  StopRecording();
  link_.Close();
  if (options_.upload_runner) unlink(UploadMarkerPath(options_.data_folder).c_str());
  SetState(SessionState::kDisconnected);
}

int64_t Session::NowNs() const { return options_.now_ns ? options_.now_ns() : SteadyNowNs(); }

void Session::RefreshReplies() {
  const std::vector<uint8_t> stale = replies_.Stale();
  if (stale.empty()) return;
  CameraReplies::Ask(link_, stale);
  if (!Recording().on) return;
  StopRecording();
  const RecordingStatus status = Recording();
  // Armed but empty yet: the file begins again with the new replies.
  std::string error;
  if (status.frames == 0 && StartRecording(status.path, &error) == RecordStart::kStarted) return;
  observer_.ShowMessage("Recording ended: the camera's parameters changed (" + std::to_string(status.frames) +
                            " frames in " + status.path + "). Press Record again to record with the new ones.",
                        MessageIcon::kNone);
}

RecordStart Session::StartRecording(const std::string& path, std::string* error) {
  bool link_free = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_ || state_ == SessionState::kDisconnected || state_ == SessionState::kConnecting) {
      *error = "Not connected: connect to the camera first.";
      return RecordStart::kNotConnected;
    }
    link_free = !run_active_;  // runs begin on this thread only
  }
  StopRecording();
  std::lock_guard<std::mutex> lock(record_mutex_);
  record_status_ = RecordingStatus();
  record_status_.path = path;
  recording::RecordingHeader header;
  header.start_unix_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  if (link_free) CameraReplies::Ask(link_, replies_.Wanted());
  replies_.Fill(&header);
  if (!header.Find(CMD_GET_VERSION)) {
    *error = "no answer from the camera while reading its replies for the recording";
    record_status_.error = *error;
    return RecordStart::kNoAnswer;
  }
  if (!record_writer_.Open(path, header)) {
    *error = record_writer_.error();
    record_status_.error = *error;
    return RecordStart::kFileFailed;
  }
  record_header_bytes_ = static_cast<int64_t>(recording::EncodeHeader(header).size());
  record_status_.on = true;
  record_status_.bytes = record_header_bytes_;
  tap_.Begin(record_writer_, NowNs());
  return RecordStart::kStarted;
}

bool Session::StopRecording() {
  std::lock_guard<std::mutex> lock(record_mutex_);
  if (!record_writer_.is_open()) return record_status_.error.empty();
  tap_.Finish();
  const RecordingCounts counts = tap_.Counts();
  record_status_.on = false;
  record_status_.frames = counts.frames;
  record_status_.records = counts.records;
  record_status_.bytes = record_header_bytes_ + counts.bytes;
  if (!record_writer_.Close()) record_status_.error = record_writer_.error();
  return record_status_.error.empty();
}

RecordingStatus Session::Recording() const {
  std::lock_guard<std::mutex> lock(record_mutex_);
  RecordingStatus status = record_status_;
  if (status.on) {
    const RecordingCounts counts = tap_.Counts();
    status.frames = counts.frames;
    status.records = counts.records;
    status.bytes = record_header_bytes_ + counts.bytes;
  }
  return status;
}

}  // namespace kelvara
