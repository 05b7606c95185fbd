#include "python/recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "python/frame.h"
#include "recording/recording_reader.h"

namespace py = pybind11;

namespace kelvara {
namespace python {
namespace {

int16_t LittleWord(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

class Recording {
 public:
  explicit Recording(const std::string& path) : path_(path) {
    // A file that cannot be opened is an OSError; one that opens but is no
    // recording a ValueError.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      const int error = errno;
      RaiseOSError(error, std::strerror(error), path);
    }
    close(fd);
    if (!reader_.Open(path)) {
      const std::string& why = reader_.error();
      Raise(PyExc_ValueError, why.compare(0, path.size(), path) == 0 ? why : path + ": " + why);
    }
    format_index_ = FormatIndexOfCode(reader_.header().format_code);
    if (format_index_ < 0) {
      char text[96];
      std::snprintf(text, sizeof text, "the recorded format code 0x%04X is unknown", reader_.header().format_code);
      Raise(PyExc_ValueError, path + ": " + text);
    }
    // The last temperature reading before each frame.
    std::optional<Temperatures> last;
    for (const recording::RecordEntry& e : reader_.records()) {
      if (e.kind == recording::RecordKind::kFrame) {
        temperatures_.push_back(last);
      } else if (e.kind == recording::RecordKind::kTemperatures &&
                 e.payload_size == recording::kTemperaturePayloadBytes) {
        unsigned char p[recording::kTemperaturePayloadBytes];
        if (!reader_.ReadPayload(e, p)) continue;
        last = Temperatures{LittleWord(p) / 10.0, LittleWord(p + 2) / 10.0, LittleWord(p + 4) / 10.0,
                            LittleWord(p + 6) / 10.0, LittleWord(p + 8) / 10.0};
      }
    }
  }

  size_t size() const { return reader_.frames().size(); }

  std::shared_ptr<Frame> At(py::ssize_t index) {
    const py::ssize_t n = static_cast<py::ssize_t>(size());
    if (index < 0) index += n;
    if (index < 0 || index >= n)
      throw py::index_error("no frame " + std::to_string(index) + " in a recording of " + std::to_string(n));
    const recording::RecordEntry& e = reader_.frames()[static_cast<size_t>(index)];
    auto bytes = std::make_shared<FrameBytes>();
    bytes->bytes.resize(e.payload_size);
    bool read;
    {
      py::gil_scoped_release release;
      read = reader_.ReadPayload(e, bytes->bytes.data());
    }
    if (!read) Raise(PyExc_OSError, path_ + ": frame " + std::to_string(index) + " cannot be read");
    if (!Frame::Whole(format_index_, bytes->bytes.size()))
      Raise(PyExc_ValueError, path_ + ": frame " + std::to_string(index) + " is shorter than a whole frame (" +
                                  std::to_string(bytes->bytes.size()) + " bytes)");
    return std::make_shared<Frame>(std::move(bytes), format_index_, index, e.time_ns,
                                   temperatures_[static_cast<size_t>(index)]);
  }

  std::string format() const { return kFormatNames[format_index_]; }

  py::object version() const {
    const recording::CameraReply* r = reader_.header().Find(CMD_GET_VERSION);
    if (r == nullptr || r->payload.size() < 5) return py::none();
    // The identification field is 12 bytes when its fifth byte is '0', else 11.
    const size_t offset = r->payload[4] == 0x30 ? 12 : 11;
    if (r->payload.size() < offset + 7) return py::none();
    const unsigned char* v = r->payload.data() + offset;
    const uint32_t build = (uint32_t{v[3]} << 24) | (uint32_t{v[4]} << 16) | (uint32_t{v[5]} << 8) | v[6];
    return py::str(VersionText(v[0], v[1], v[2], build));
  }

  int64_t start_unix_ns() const { return reader_.header().start_unix_ns; }
  bool cut_off() const { return reader_.trailing_bytes() > 0; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  recording::RecordingReader reader_;
  int format_index_ = -1;
  std::vector<std::optional<Temperatures>> temperatures_;  // by frame
};

struct RecordingIterator {
  py::object recording;
  py::ssize_t next = 0;
};

}  // namespace

void RegisterRecording(py::module_& m) {
  py::class_<RecordingIterator>(m, "RecordingIterator", "Iterates over the frames of a Recording in order.")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", [](RecordingIterator& it) {
        Recording& r = it.recording.cast<Recording&>();
        if (it.next >= static_cast<py::ssize_t>(r.size())) throw py::stop_iteration();
        return r.At(it.next++);
      });

  py::class_<Recording>(m, "Recording", R"doc(
A recording written by `kelvara-capture --record`: its frames as Frame
objects, read from the file on access; no camera needed.

Raises FileNotFoundError (or another OSError) when the file cannot be
opened, ValueError saying why when it is no recording. A recording cut off
by a crash reads up to its last whole frame.
)doc")
      .def(py::init<const std::string&>(), py::arg("path"), "Opens and indexes the recording at `path`.")
      .def("__len__", &Recording::size, "The number of frames.")
      .def("__getitem__", &Recording::At, py::arg("index"),
           "Frame `index` (negative counts from the end); IndexError outside the recording.")
      .def(
          "__iter__",
          [](py::object self) {
            return RecordingIterator{self, 0};
          },
          "The frames in order.")
      .def_property_readonly("format", &Recording::format, "The recorded format's name.")
      .def_property_readonly("version", &Recording::version,
                             "The camera's version as recorded at connect (\"1.0.5.00000042\"), or None.")
      .def_property_readonly("start_unix_ns", &Recording::start_unix_ns,
                             "Wall-clock time the recording began, in ns since 1970.")
      .def_property_readonly("cut_off", &Recording::cut_off,
                             "True when the file ends in an unfinished record (a cut-off recording).")
      .def_property_readonly("path", &Recording::path, "The file's path.")
      .def("__repr__", [](const Recording& r) {
        return "<kelvara.Recording " + r.path() + ": " + std::to_string(r.size()) + " frames of " + r.format() + ">";
      });
}

}  // namespace python
}  // namespace kelvara
