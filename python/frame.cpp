#include "python/frame.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "frame/point_distances.h"

namespace py = pybind11;

namespace kelvara {
namespace python {
namespace {

int16_t Word(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

// Point records whose x lies outside the measuring range carry a sample
// code, not a point (as kelvara-export reads them).
bool HasPoint(int16_t x) { return x >= -kMaxDistanceMm && x <= kMaxDistanceMm; }

template <typename T>
py::array OwnedArray(std::unique_ptr<T[]> data, std::vector<py::ssize_t> shape) {
  T* raw = data.release();
  py::capsule owner(raw, [](void* p) { delete[] static_cast<T*>(p); });
  py::array a(py::dtype::of<T>(), std::move(shape), {}, raw, owner);
  a.attr("setflags")(py::arg("write") = false);
  return a;
}

}  // namespace

Frame::Frame(std::shared_ptr<FrameBytes> bytes, int format_index, int64_t index, int64_t time_ns,
             std::optional<Temperatures> temperatures)
    : bytes_(std::move(bytes)),
      format_index_(format_index),
      index_(index),
      time_ns_(time_ns),
      temperatures_(temperatures) {}

bool Frame::Whole(int format_index, size_t size) {
  const FormatFacts* f = FormatAt(format_index);
  if (f == nullptr) return false;
  size_t need = f->family == FrameFamily::kPlane ? size_t{kPlaneBytes} : size_t{kPcdFileBytes};
  if (f->amplitude_offset >= 0) need = static_cast<size_t>(f->amplitude_offset) + kPlaneBytes;
  return size >= need;
}

py::object Frame::Owner() const {
  auto* held = new std::shared_ptr<FrameBytes>(bytes_);
  return py::capsule(held, [](void* p) { delete static_cast<std::shared_ptr<FrameBytes>*>(p); });
}

py::array Frame::PlaneView(size_t offset) const {
  py::array a(py::dtype::of<int16_t>(), {kFrameHeight, kFrameWidth}, {},
              reinterpret_cast<const int16_t*>(bytes_->bytes.data() + offset), Owner());
  a.attr("setflags")(py::arg("write") = false);
  return a;
}

py::object Frame::distance() {
  if (!distance_) {
    const FormatFacts* f = FormatAt(format_index_);
    if (f->family == FrameFamily::kPlane) {
      distance_ = f->first_plane == FirstPlane::kDistance ? py::object(PlaneView(0)) : py::none();
    } else {
      std::unique_ptr<int16_t[]> out(new int16_t[kPixelCount]);  // every entry is written
      ComputePointDistances(BestDistanceKernel(), bytes_->bytes.data() + kPcdHeaderBytes, kPixelCount, out.get());
      distance_ = OwnedArray(std::move(out), {kFrameHeight, kFrameWidth});
    }
  }
  return distance_;
}

py::object Frame::amplitude() {
  if (!amplitude_) {
    const int offset = FormatAt(format_index_)->amplitude_offset;
    amplitude_ = offset >= 0 ? py::object(PlaneView(static_cast<size_t>(offset))) : py::none();
  }
  return amplitude_;
}

py::object Frame::points() {
  if (!points_) {
    if (IsPlaneFrameFormat(format_index_)) {
      points_ = py::none();
    } else {
      std::unique_ptr<float[]> out(new float[size_t{kPixelCount} * 3]);  // every entry is written
      const float nan = std::numeric_limits<float>::quiet_NaN();
      const unsigned char* r = bytes_->bytes.data() + kPcdHeaderBytes;
      float* p = out.get();
      for (int i = 0; i < kPixelCount; ++i, r += kPointRecordBytes, p += 3) {
        const int16_t x = Word(r);
        const bool point = HasPoint(x);  // without a branch, so that the loop vectorises
        p[0] = point ? static_cast<float>(x) / 1000.0f : nan;
        p[1] = point ? static_cast<float>(Word(r + 2)) / 1000.0f : nan;
        p[2] = point ? static_cast<float>(Word(r + 4)) / 1000.0f : nan;
      }
      points_ = OwnedArray(std::move(out), {kFrameHeight, kFrameWidth, 3});
    }
  }
  return points_;
}

py::object Frame::valid() {
  if (!valid_) {
    std::unique_ptr<bool[]> out(new bool[kPixelCount]);  // every entry is written
    const unsigned char* b = bytes_->bytes.data();
    if (IsPointFrameFormat(format_index_)) {
      for (int i = 0; i < kPixelCount; ++i) out[i] = HasPoint(Word(b + kPcdHeaderBytes + kPointRecordBytes * i));
    } else if (IsAmplitudeOnlyFormat(format_index_)) {
      for (int i = 0; i < kPixelCount; ++i) {
        const int16_t a = Word(b + 2 * i);
        out[i] = a >= 0 && a <= 255;
      }
    } else {
      for (int i = 0; i < kPixelCount; ++i) {
        const int16_t d = Word(b + 2 * i);
        out[i] = d >= 0 && d <= kMaxDistanceMm;
      }
    }
    valid_ = OwnedArray(std::move(out), {kFrameHeight, kFrameWidth});
  }
  return valid_;
}

py::bytes Frame::raw() const {
  return py::bytes(reinterpret_cast<const char*>(bytes_->bytes.data()), bytes_->bytes.size());
}

py::object Frame::temperatures() const {
  if (!temperatures_) return py::none();
  py::dict d;
  d["upper_left"] = temperatures_->upper_left;
  d["upper_right"] = temperatures_->upper_right;
  d["lower_left"] = temperatures_->lower_left;
  d["lower_right"] = temperatures_->lower_right;
  d["led"] = temperatures_->led;
  return std::move(d);
}

std::string VersionText(int major, int minor, int revision, uint32_t build) {
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%08u", major, minor, revision, build);
  return text;
}

void RaiseOSError(int error_number, const std::string& message, const std::string& filename) {
  // OSError(errno, text, filename) becomes FileNotFoundError, PermissionError, ...
  PyObject* error = PyObject_CallFunction(PyExc_OSError, "iss", error_number, message.c_str(), filename.c_str());
  if (error != nullptr) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error)), error);
    Py_DECREF(error);
  }
  throw py::error_already_set();
}

void Raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

void RegisterFrame(py::module_& m) {
  py::class_<Frame, std::shared_ptr<Frame>>(m, "Frame", R"doc(
One frame from a camera or a recording.

Arrays are numpy views of the frame's own buffer (distance, amplitude) or
computed once on first access (points, valid, and distance of point
formats); none is copied per access. They are read-only and stay valid
after later frames arrive. Pixel (row, column) is the camera's pixel order:
row 0..239, column 0..319; the client draws row 0 at the bottom (imshow
with origin="lower" shows the same picture).
)doc")
      .def_property_readonly(
          "format", [](const Frame& f) { return kFormatNames[f.format_index()]; },
          "The frame's format name, e.g. \"Distance(Cartesian)+AMP\".")
      .def_property_readonly("index", &Frame::index,
                             "The frame's number: in a run counted from 0, in a recording its position.")
      .def_property_readonly("time_ns", &Frame::time_ns,
                             "Receive time in ns: for a camera on the monotonic clock (time.monotonic_ns()), "
                             "for a recording since the recording began.")
      .def_property_readonly("temperatures", &Frame::temperatures,
                             "The last temperatures read before the frame, in degrees Celsius: dict with "
                             "upper_left, upper_right, lower_left, lower_right (imager) and led; None before "
                             "the first reading.")
      .def_property_readonly("distance", &Frame::distance,
                             "(240, 320) int16, distance in mm with the camera's codes kept (30000 no data, "
                             "31000 saturation, 32000 overflow; any value outside 0..12499 is no distance). "
                             "Plane formats: the camera's distance plane; point formats: the length of each "
                             "point's vector (the code of x where there is no point); \"Amplitude\": None.")
      .def_property_readonly("amplitude", &Frame::amplitude,
                             "(240, 320) int16, the amplitude plane with the camera's codes kept (510 overflow, "
                             "511 saturation), or None for formats without amplitudes.")
      .def_property_readonly("points", &Frame::points,
                             "(240, 320, 3) float32, x, y, z in metres as kelvara-export writes them: the "
                             "camera's coordinates (x left, y up, z forward) divided by 1000, organised in "
                             "pixel order; NaN where the pixel has no point. None for plane formats.")
      .def_property_readonly("valid", &Frame::valid,
                             "(240, 320) bool: the pixel holds a measurement. Point formats: x within "
                             "-12499..12499 mm (points not NaN); distance formats: distance 0..12499; "
                             "\"Amplitude\": amplitude 0..255.")
      .def_property_readonly("raw", &Frame::raw, "The frame's bytes exactly as the camera sent them.")
      .def("__repr__", [](const Frame& f) {
        return "<kelvara.Frame " + std::to_string(f.index()) + " " + kFormatNames[f.format_index()] + ">";
      });
}

}  // namespace python
}  // namespace kelvara
