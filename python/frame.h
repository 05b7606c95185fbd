#pragma once
// One frame as the Python module hands it out: the camera's whole frame in a
// buffer of its own, shared by the numpy arrays that view it, so that an
// array stays valid however many frames follow.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {
namespace python {

// Temperatures in degrees Celsius (the camera reports tenths).
struct Temperatures {
  double upper_left = 0, upper_right = 0, lower_left = 0, lower_right = 0, led = 0;
};

struct FrameBytes {
  std::vector<unsigned char> bytes;   // the frame the arrays view: as received, or filtered
  std::vector<unsigned char> camera;  // the frame as received when `bytes` is filtered
};

class Frame {
 public:
  Frame(std::shared_ptr<FrameBytes> bytes, int format_index, int64_t index, int64_t time_ns,
        std::optional<Temperatures> temperatures);

  // The frame carries every byte its format's arrays need.
  static bool Whole(int format_index, size_t size);

  int format_index() const { return format_index_; }
  int64_t index() const { return index_; }
  int64_t time_ns() const { return time_ns_; }
  pybind11::object temperatures() const;

  // Cached after the first access; None where the format has no such array.
  pybind11::object distance();
  pybind11::object amplitude();
  pybind11::object points();
  pybind11::object valid();
  pybind11::bytes raw() const;

 private:
  // A read-only int16 (240, 320) view at `offset` of the frame.
  pybind11::array PlaneView(size_t offset) const;
  pybind11::object Owner() const;

  std::shared_ptr<FrameBytes> bytes_;
  int format_index_;
  int64_t index_;
  int64_t time_ns_;
  std::optional<Temperatures> temperatures_;
  pybind11::object distance_, amplitude_, points_, valid_;
};

// Registers the Frame class on the module.
void RegisterFrame(pybind11::module_& m);

// "major.minor.revision.build", the build as 8 digits ("1.0.5.00000042").
std::string VersionText(int major, int minor, int revision, uint32_t build);

// A Python error of type `type` (OSError subclasses chosen from errno when
// `type` is OSError) with `message`; thrown as pybind11::error_already_set.
[[noreturn]] void RaiseOSError(int error_number, const std::string& message, const std::string& filename);
[[noreturn]] void Raise(PyObject* type, const std::string& message);

}  // namespace python
}  // namespace kelvara
