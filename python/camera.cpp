#include "python/camera.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera_facts/exposure_range.h"
#include "camera_facts/format_table.h"
#include "config/updater_run.h"
#include "link/camera_link.h"
#include "python/frame.h"
#include "session/session.h"

namespace py = pybind11;

namespace kelvara {
namespace python {
namespace {

constexpr size_t kQueueFrames = 16;  // frames waiting for Python; the oldest goes when it is full
constexpr int kStopWaitMs = 15000;   // a run ends within its current cycle

std::string PortName(int port) { return "COM" + std::to_string(port); }

// "COM3" or 3 -> 3; anything else is a ValueError.
int PortNumber(const py::object& port) {
  if (py::isinstance<py::int_>(port)) return port.cast<int>();
  if (py::isinstance<py::str>(port)) {
    const std::string text = port.cast<std::string>();
    if (text.size() > 3 && text.compare(0, 3, "COM") == 0 &&
        std::all_of(text.begin() + 3, text.end(), [](char c) { return c >= '0' && c <= '9'; }) && text.size() < 8)
      return std::atoi(text.c_str() + 3);
    Raise(PyExc_ValueError, "a port is named COM<n> (see kelvara.list_ports()), not '" + text + "'");
  }
  throw py::type_error("port must be a str such as \"COM3\" or an int");
}

// The folder of the programs the connect sequence uses (the table uploader
// and its table): build/bin/ for a module in the build tree, the installed
// program folder otherwise.
// `path` with symbolic links and relative parts resolved; empty when it does not exist.
std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return "";
  std::string result = real;
  std::free(real);
  return result;
}

std::string ProgramFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ProgramFolder), &info) == 0 || info.dli_fname == nullptr) return "./";
  const std::string module = RealPath(info.dli_fname);
  const std::string package = module.substr(0, module.rfind('/') + 1);
  if (package == RealPath(KELVARA_PY_BUILD_MODULE_DIR) + "/") return KELVARA_PY_BUILD_PROGRAM_FOLDER;
  return package + KELVARA_PY_PROGRAM_FOLDER_FROM_PACKAGE;
}

// A folder of this process for the exchange files and the upload marker,
// so that the table goes up once per Python process, as once per run of
// the client; removed at exit.
class DataFolder {
 public:
  const std::string& path() {
    if (path_.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kelvara-python-XXXXXX";
      if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
    }
    return path_;
  }
  void Remove() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    path_.clear();
  }
  ~DataFolder() { Remove(); }

 private:
  std::string path_;
};
DataFolder g_data_folder;

// One parameter that set() and parameters know.
struct Setting {
  const char* name;
  ParameterValue DeviceParameters::*value;
  int lowest, highest;  // the exposure's depend on the mode
};
const Setting kSettings[] = {
    {"mode", &DeviceParameters::mode, 0, kModeCount - 1},
    {"exposure_time", &DeviceParameters::exposure_us, kExposureMinUs[1], kExposureMaxUs[1]},
    {"frame_rate_limiter", &DeviceParameters::frame_rate_limiter, 0, 20},
    {"amplitude_min_all", &DeviceParameters::amp_min_all, 0, 200},
    {"amplitude_min_near", &DeviceParameters::amp_min_near, 0, 200},
    {"rotation_x", &DeviceParameters::rotation_x, 0, 359},
    {"rotation_y", &DeviceParameters::rotation_y, 0, 359},
    {"rotation_z", &DeviceParameters::rotation_z, 0, 359},
    {"led_freq_id", &DeviceParameters::led_freq_id, 0, 16},
    {"pilot_led", &DeviceParameters::pilot_led, 0, 1},
    {"data_size_kb", &DeviceParameters::data_size_kb, 1, 16},
    {"interval_us", &DeviceParameters::interval_us, 0, 10000},
    {"enr_threshold", &DeviceParameters::enr_threshold, 0, 12499},
};

std::string SettingNames() {
  std::string names = "format";
  for (const Setting& s : kSettings) names += std::string(", ") + s.name;
  return names;
}

// The range `value` of `s` must lie in, in words; empty when it does.
std::string RangeProblem(const Setting& s, int value, int mode) {
  char text[160];
  if (s.value == &DeviceParameters::exposure_us) {
    if (mode == 0 || mode == 1) {
      if (value >= kExposureMinUs[mode] && value <= kExposureMaxUs[mode]) return "";
      std::snprintf(text, sizeof text, "exposure_time must lie in %d..%d us in mode %d (%s), not %d",
                    kExposureMinUs[mode], kExposureMaxUs[mode], mode, kModeNames[mode], value);
      return text;
    }
  } else if (s.value == &DeviceParameters::data_size_kb) {
    if (DataSizeIndexOfValue(value) >= 0) return "";
    std::snprintf(text, sizeof text, "data_size_kb must be one of 1, 2, 4, 8, 16, not %d", value);
    return text;
  }
  if (value >= s.lowest && value <= s.highest) return "";
  std::snprintf(text, sizeof text, "%s must lie in %d..%d, not %d", s.name, s.lowest, s.highest, value);
  return text;
}

// The index of a format given by name or index.
int FormatIndexOf(const py::object& format) {
  std::string names;
  for (int i = 0; i < kFormatCount; ++i) names += (i ? ", " : "") + std::to_string(i) + " \"" + kFormatNames[i] + "\"";
  if (py::isinstance<py::int_>(format)) {
    const int index = format.cast<int>();
    if (index >= 0 && index < kFormatCount) return index;
    Raise(PyExc_ValueError, "no format " + std::to_string(index) + "; the formats are " + names);
  }
  if (py::isinstance<py::str>(format)) {
    const std::string name = format.cast<std::string>();
    for (int i = 0; i < kFormatCount; ++i)
      if (name == kFormatNames[i]) return i;
    Raise(PyExc_ValueError, "no format \"" + name + "\"; the formats are " + names);
  }
  throw py::type_error("format must be a format name or its index");
}

// One received frame waiting for Python.
struct Pending {
  std::shared_ptr<FrameBytes> bytes;
  int64_t number;
  int64_t receipt_ns;
  std::optional<Temperatures> temperatures;
};

// Hears the session: frames of the stream go into a queue, messages are
// kept for the errors they explain.
class Observer : public SessionObserver {
 public:
  void ShowMessage(const std::string& text, MessageIcon) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(text);
  }
  void CentreReadout(const std::string&) override {}
  void MonitorUpdate(double, const TemperatureSample& s) override {
    if (s.sampled < 0) return;  // sampling stopped: nothing was read
    std::lock_guard<std::mutex> lock(mutex_);
    temperatures_ = Temperatures{s.upper_left / 10.0, s.upper_right / 10.0, s.lower_left / 10.0, s.lower_right / 10.0,
                                 s.led / 10.0};
  }
  void StateChanged(SessionState state) override {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
    ready_.notify_all();
  }
  // Waits at most `ms` until no run goes on or ends (the worker has stopped
  // the camera and the session has settled).
  bool WaitSettled(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return ready_.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return state_ != SessionState::kMeasuring && state_ != SessionState::kStopping; });
  }
  void LogProgress(int, int) override {}
  void LoggingRunEnded() override {}
  void RunEndedByItself() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    ready_.notify_all();
  }
  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!streaming_) return;
    const int64_t number = received_++;
    if (!Frame::Whole(format_index_, size)) {
      ++short_frames_;
      return;
    }
    auto bytes = std::make_shared<FrameBytes>();
    bytes->bytes.assign(frame, frame + size);
    if (queue_.size() >= kQueueFrames) {
      queue_.pop_front();
      ++dropped_;
    }
    queue_.push_back(Pending{std::move(bytes), number, receipt_ns, temperatures_});
    ready_.notify_all();
  }

  // A new stream of `format_index` frames begins.
  void BeginStream(int format_index) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
    streaming_ = true;
    ended_ = false;
    format_index_ = format_index;
    received_ = dropped_ = short_frames_ = 0;
    temperatures_.reset();
  }
  void EndStream() {
    std::lock_guard<std::mutex> lock(mutex_);
    streaming_ = false;
    queue_.clear();
  }
  // Waits at most `ms` for a frame or the run's end; true with a frame.
  bool Wait(int ms, Pending* out, bool* ended) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !queue_.empty() || ended_; });
    *ended = ended_;
    if (queue_.empty()) return false;
    *out = std::move(queue_.front());
    queue_.pop_front();
    return true;
  }
  int64_t dropped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
  }
  int64_t short_frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return short_frames_;
  }
  // The messages since the last call.
  std::vector<std::string> TakeMessages() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Pending> queue_;
  std::vector<std::string> messages_;
  std::optional<Temperatures> temperatures_;
  SessionState state_ = SessionState::kDisconnected;
  bool streaming_ = false;
  bool ended_ = false;
  int format_index_ = -1;
  int64_t received_ = 0, dropped_ = 0, short_frames_ = 0;
};

class Camera;
Camera* g_open_camera = nullptr;  // libUART serves one port per process

class Camera {
 public:
  Camera(const py::object& port_object, double timeout) : timeout_(timeout) {
    port_ = PortNumber(port_object);
    const std::string name = PortName(port_);
    if (g_open_camera != nullptr)
      Raise(PyExc_RuntimeError, "another kelvara.Camera is open in this process: close it first (one port at a time)");
    SessionOptions options;
    options.program_folder = ProgramFolder();
    options.data_folder = g_data_folder.path();
    options.upload_runner = SpawnAndWait;
    options.refresh_angle_file = false;
    options.apply_at_start = false;
    session_ = std::make_unique<Session>(UartSerialLibrary(), observer_, std::move(options));

    // The connect sequence runs on a thread of its own, so that Ctrl-C can
    // cancel it (Stop) while this thread waits with the GIL released.
    const std::vector<int> ports = session_->ListPorts();
    if (std::find(ports.begin(), ports.end(), port_) == ports.end()) RaiseOSError(ENOENT, std::strerror(ENOENT), name);
    ConnectResult result = ConnectResult::kCancelled;
    int error_number = 0;
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread connect([&] {
      errno = 0;
      result = session_->Connect(port_);
      error_number = errno;
      done.set_value();
    });
    bool interrupted = false;
    for (;;) {
      {
        py::gil_scoped_release release;
        if (finished.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready) break;
      }
      if (!interrupted && PyErr_CheckSignals() != 0) {
        interrupted = true;
        session_->Stop();  // cancels the sequence; the port is closed again
      }
    }
    connect.join();
    if (interrupted) throw py::error_already_set();
    if (result == ConnectResult::kOpenFailed) {
      if (error_number == 0) error_number = EIO;
      RaiseOSError(error_number, std::strerror(error_number), name);
    }
    if (result != ConnectResult::kConnected) Raise(PyExc_TimeoutError, "no answer from the camera on " + name);
    // What the sequence reported on its way ("Failed to upload Qor table.", a
    // parameter group that could not be read) reaches Python as warnings.
    for (const std::string& text : observer_.TakeMessages())
      if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 1) != 0) throw py::error_already_set();
    g_open_camera = this;
  }
  ~Camera() { Close(); }

  Session& session() {
    if (!session_) Raise(PyExc_ValueError, "the camera is closed");
    return *session_;
  }
  std::string name() const { return PortName(port_); }
  double timeout() const { return timeout_; }
  Observer& observer() { return observer_; }
  int64_t& stream_generation() { return stream_generation_; }

  void Close() {
    {
      py::gil_scoped_release release;
      Shutdown();
    }
    if (g_open_camera == this) g_open_camera = nullptr;
  }

  // Ends the run (the worker stops the camera) and waits for it.
  void StopRun() {
    observer_.EndStream();
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> lock(session_mutex_);
    if (!session_) return;
    session_->Stop();
    session_->WaitForEnd(kStopWaitMs);
    observer_.WaitSettled(kStopWaitMs);
  }

  void RequireIdle() {
    const SessionState state = session().State();
    if (state == SessionState::kMeasuring || state == SessionState::kStopping)
      Raise(PyExc_RuntimeError, "the camera is measuring: end the frames() loop first");
    if (state != SessionState::kReady) Raise(PyExc_RuntimeError, "the camera is not connected");
  }

  std::string version() {
    const VersionReply v = session().Version();
    return VersionText(v.major, v.minor, v.revision, v.build);
  }

  py::object format() {
    const int index = session().model().parameters().format.current;
    return index >= 0 && index < kFormatCount ? py::object(py::str(kFormatNames[index])) : py::none();
  }

  void set_format(const py::object& format) {
    const int index = FormatIndexOf(format);
    RequireIdle();
    bool sent;
    {
      py::gil_scoped_release release;
      sent = session_->SendFormat(index);
    }
    if (!sent) Raise(PyExc_ValueError, std::string("the camera refused the format \"") + kFormatNames[index] + "\"");
  }

  py::dict parameters() {
    RequireIdle();
    {
      py::gil_scoped_release release;
      session_->model().ReadParametersFromDevice();
    }
    // "Get parameter failed!! [ <group> ]" for each group the camera did not answer.
    const std::vector<std::string> failures = observer_.TakeMessages();
    if (!failures.empty())
      Raise(PyExc_TimeoutError, "the camera on " + name() + " did not answer: " + failures.front());
    const DeviceParameters& p = session_->model().parameters();
    py::dict d;
    d["format"] = format();
    for (const Setting& s : kSettings) d[s.name] = (p.*s.value).current;
    return d;
  }

  void set(const py::kwargs& kwargs) {
    RequireIdle();
    DeviceParameters& p = session_->model().parameters();
    // Every value is checked before anything is sent.
    std::vector<std::pair<const Setting*, int>> wanted;
    py::object format = py::none();
    for (auto item : kwargs) {
      const std::string key = py::str(item.first);
      if (key == "format") {
        format = py::reinterpret_borrow<py::object>(item.second);
        FormatIndexOf(format);
        continue;
      }
      const Setting* s = nullptr;
      for (const Setting& candidate : kSettings)
        if (key == candidate.name) s = &candidate;
      if (s == nullptr) Raise(PyExc_ValueError, "no setting \"" + key + "\"; the settings are " + SettingNames());
      if (!py::isinstance<py::int_>(item.second)) throw py::type_error(key + " must be a whole number");
      wanted.emplace_back(s, item.second.cast<int>());
    }
    int mode = p.mode.current;
    for (const auto& w : wanted)
      if (w.first->value == &DeviceParameters::mode) mode = w.second;
    for (const auto& w : wanted) {
      const std::string problem = RangeProblem(*w.first, w.second, mode);
      if (!problem.empty()) Raise(PyExc_ValueError, problem);
    }
    if (!format.is_none()) set_format(format);
    if (wanted.empty()) return;
    for (const auto& w : wanted) (p.*w.first->value).current = w.second;
    observer_.TakeMessages();  // only the refusals of this call explain its error
    {
      py::gil_scoped_release release;
      session_->ApplyParameters();
    }
    const std::vector<std::string> messages = observer_.TakeMessages();
    for (const auto& w : wanted) {
      if ((p.*w.first->value).applied == w.second) continue;
      std::string text = std::string("the camera refused ") + w.first->name + "=" + std::to_string(w.second);
      char range[160];
      if (w.first->value == &DeviceParameters::exposure_us) {
        std::snprintf(range, sizeof range,
                      "; the range is %d..%d us in mode 0 (Normal), %d..%d us in mode 1 (High speed)",
                      kExposureMinUs[0], kExposureMaxUs[0], kExposureMinUs[1], kExposureMaxUs[1]);
      } else {
        std::snprintf(range, sizeof range, "; the range is %d..%d", w.first->lowest, w.first->highest);
      }
      text += range;
      if (!messages.empty()) text += " (" + messages.front() + ")";
      Raise(PyExc_ValueError, text);
    }
  }

  py::dict health() {
    const FrameHealth h = session().Health();
    py::dict d;
    d["received"] = h.frames_received;
    d["failed_cycles"] = h.FailedCycles();
    d["no_response"] = h.no_response;
    d["wrong_start_byte"] = h.wrong_start_byte;
    d["length_mismatch"] = h.length_mismatch;
    d["other_failures"] = h.other_failures;
    d["dropped"] = observer_.dropped();
    d["short_frames"] = observer_.short_frames();
    d["last_frame_number"] = h.last_frame_number;
    return d;
  }

  std::string state() { return SessionStateName(session().State()); }

 private:
  // Without the GIL: another Python thread may be in StopRun meanwhile.
  void Shutdown() {
    observer_.EndStream();
    std::lock_guard<std::mutex> lock(session_mutex_);
    if (session_) {
      session_->Stop();
      session_->WaitForEnd(kStopWaitMs);
      observer_.WaitSettled(kStopWaitMs);
      // A camera that fell silent while its run was stopped may have missed
      // the stop: it is stopped once more before the port closes.
      if (session_->State() == SessionState::kReady) {
        unsigned char status = 0;
        session_->link().StopMeasurement(&status);
      }
      session_->Shutdown();
      session_.reset();
    }
  }

  Observer observer_;
  std::mutex session_mutex_;  // held while the session is stopped or ended
  std::unique_ptr<Session> session_;
  int port_ = 0;
  double timeout_;
  int64_t stream_generation_ = 0;
};

// The frames of one continuous run.
class FrameStream {
 public:
  FrameStream(Camera& camera, py::object camera_object, py::object count, double timeout)
      : camera_(camera), camera_object_(std::move(camera_object)), timeout_(timeout) {
    if (!count.is_none()) {
      count_ = count.cast<int64_t>();
      if (count_ < 0) Raise(PyExc_ValueError, "count must be 0 or more");
    }
    camera_.RequireIdle();
    format_index_ = camera_.session().model().parameters().format.current;
    if (format_index_ < 0) Raise(PyExc_RuntimeError, "the camera's format is unknown: set cam.format first");
    generation_ = ++camera_.stream_generation();
    if (count_ == 0) {
      finished_ = true;
      return;
    }
    camera_.observer().BeginStream(format_index_);
    StartOutcome outcome;
    {
      py::gil_scoped_release release;
      outcome = camera_.session().Start(RunRequest::Continuous());
    }
    if (outcome != StartOutcome::kStarted) {
      finished_ = true;
      camera_.observer().EndStream();
      Raise(PyExc_RuntimeError, "the run could not be started");
    }
  }
  ~FrameStream() {
    try {
      Finish();
    } catch (...) {
    }
  }

  std::shared_ptr<Frame> Next() {
    if (finished_ || (count_ >= 0 && yielded_ >= count_)) {
      Finish();
      throw py::stop_iteration();
    }
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      Pending p;
      bool ended = false, got = false;
      {
        py::gil_scoped_release release;
        got = camera_.observer().Wait(20, &p, &ended);
      }
      if (got) {
        ++yielded_;
        return std::make_shared<Frame>(std::move(p.bytes), format_index_, p.number, p.receipt_ns, p.temperatures);
      }
      if (PyErr_CheckSignals() != 0) {  // Ctrl-C: the camera stops, then the KeyboardInterrupt goes on
        py::error_already_set error;
        Finish();
        throw error;
      }
      if (ended) {
        Finish();
        const RunSummary s = camera_.session().LastSummary();
        if (s.end == RunEnd::kStartFailed) Raise(PyExc_RuntimeError, "the camera refused to start measuring");
        char text[200];
        std::snprintf(text, sizeof text,
                      "the run ended after %lld failed cycles in a row (%lld no response, %lld wrong start byte, "
                      "%lld length mismatch) on %s",
                      static_cast<long long>(s.failed_cycles), static_cast<long long>(s.health.no_response),
                      static_cast<long long>(s.health.wrong_start_byte),
                      static_cast<long long>(s.health.length_mismatch), camera_.name().c_str());
        Raise(PyExc_TimeoutError, text);
      }
      const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (waited > timeout_) {
        Finish();
        char text[120];
        std::snprintf(text, sizeof text, "no frame from the camera on %s for %.1f s", camera_.name().c_str(), timeout_);
        Raise(PyExc_TimeoutError, text);
      }
    }
  }

  // Ends the run: the camera is stopped before this returns.
  void Finish() {
    if (finished_) return;
    finished_ = true;
    if (camera_.stream_generation() == generation_) camera_.StopRun();
  }
  int64_t yielded() const { return yielded_; }

 private:
  Camera& camera_;
  py::object camera_object_;  // keeps the camera alive
  double timeout_;
  int64_t count_ = -1;
  int64_t yielded_ = 0;
  int format_index_ = -1;
  int64_t generation_ = 0;
  bool finished_ = false;
};

std::vector<std::string> ListPorts() {
  std::vector<int> numbers;
  {
    py::gil_scoped_release release;
    CameraLink link(UartSerialLibrary());
    numbers = link.ListPorts();
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::string> names;
  for (int n : numbers) names.push_back(PortName(n));
  return names;
}

}  // namespace

void RegisterCamera(py::module_& m) {
  m.def("list_ports", &ListPorts, R"doc(
The serial ports a camera may be on, as the client's connection panel lists
them: ["COM1", "COM7", ...], sorted by number.
)doc");

  py::class_<FrameStream>(m, "FrameStream", R"doc(
The frames of one continuous run, from Camera.frames(). Iterate over it;
the camera is stopped when the count is reached, when the loop ends by
break, return or an exception (the stream is closed as soon as it is
released), on close(), and on leaving a with-block.
)doc")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &FrameStream::Next, "The next frame; waits with the GIL released.")
      .def("close", &FrameStream::Finish, "Ends the run now; the camera is stopped when this returns.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__",
           [](FrameStream& s, py::args) {
             s.Finish();
             return false;
           })
      .def_property_readonly("frames_delivered", &FrameStream::yielded, "Frames handed out so far.");

  py::class_<Camera>(m, "Camera", R"doc(
A camera on a serial port, connected as the client connects (the table
upload once per process, stop of a camera left measuring, version, every
parameter group). Use it as a context manager: leaving the block stops any
run and closes the port. One Camera at a time per process.

Raises FileNotFoundError (or another OSError) naming the port and the
system's reason when the port does not exist or cannot be opened, and
TimeoutError when nothing answers on it.
)doc")
      .def(py::init<const py::object&, double>(), py::arg("port"), py::arg("timeout") = 5.0,
           "Connects to the camera on `port` (\"COM3\" or 3). `timeout`: seconds frames() waits for a frame.")
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__",
           [](Camera& c, py::args) {
             c.Close();
             return false;
           })
      .def("close", &Camera::Close, "Stops any run and closes the port. Idempotent.")
      .def_property_readonly("port", &Camera::name, "The port's name, e.g. \"COM3\".")
      .def_property_readonly("version", &Camera::version,
                             "The camera's version read at connect, \"major.minor.revision.build\" "
                             "(e.g. \"1.0.5.00000042\").")
      .def_property("format", &Camera::format, &Camera::set_format,
                    "The camera's output format by name (e.g. \"Distance(Cartesian)+AMP\"), None when unknown. "
                    "Set it by name or by index 0..6 in the order of kelvara.FORMATS; ValueError when the "
                    "camera refuses it.")
      .def_property_readonly("parameters", &Camera::parameters,
                             "Every setting, read from the camera now: dict of format (name), mode (0 Normal, "
                             "1 High speed), exposure_time (us), frame_rate_limiter (fps, 0 none), "
                             "amplitude_min_all, amplitude_min_near, rotation_x/_y/_z (degrees), led_freq_id, "
                             "pilot_led (0 on, 1 off), data_size_kb, interval_us, enr_threshold.")
      .def("set", &Camera::set, R"doc(
Sets parameters by their names in Camera.parameters, e.g.
cam.set(exposure_time=1000, mode=0). Every value is checked first; a value
outside its range, or one the camera refuses, raises ValueError naming the
allowed range (exposure_time: 170..5312 us in mode 0, 20..10000 in mode 1).
)doc")
      .def(
          "frames",
          [](py::object self, py::object count, py::object timeout) {
            Camera& c = self.cast<Camera&>();
            return new FrameStream(c, self, count, timeout.is_none() ? c.timeout() : timeout.cast<double>());
          },
          py::arg("count") = py::none(), py::arg("timeout") = py::none(), R"doc(
A continuous run: yields Frame objects until `count` frames (None: until
the loop ends). The camera is stopped when the loop ends, however it ends.
Waiting releases the GIL; Ctrl-C stops the camera and raises
KeyboardInterrupt. TimeoutError when no frame comes for `timeout` seconds
(default: the Camera's) or the run ends after failed cycles.
)doc")
      .def_property_readonly("health", &Camera::health, R"doc(
How the frames of the current (or last) run fared: dict of received,
failed_cycles and its kinds no_response, wrong_start_byte, length_mismatch,
other_failures; dropped (frames the Python side did not take in time, the
oldest of 16 waiting go first), short_frames, last_frame_number.
)doc")
      .def_property_readonly("state", &Camera::state,
                             "The session's state: \"Ready\", \"Measuring\", \"Stopping\", \"Disconnected\".");

  // Cameras left open at interpreter exit are closed (never a camera left
  // measuring), also when a KeyboardInterrupt ends the program by SIGINT.
  py::module_::import("atexit").attr("register")(py::cpp_function([]() {
    if (g_open_camera != nullptr) g_open_camera->Close();
    g_data_folder.Remove();
  }));
}

}  // namespace python
}  // namespace kelvara
