// The kelvara Python module: cameras and recordings, frames as numpy arrays.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "camera_facts/format_table.h"
#include "python/camera.h"
#include "python/frame.h"
#include "python/recording.h"

namespace py = pybind11;

PYBIND11_MODULE(_kelvara, m) {
  m.doc() = "The compiled part of the kelvara package; import kelvara instead.";
  py::list formats;
  for (const char* name : kelvara::kFormatNames) formats.append(name);
  m.attr("FORMATS") = py::tuple(formats);
  kelvara::python::RegisterFrame(m);
  kelvara::python::RegisterCamera(m);
  kelvara::python::RegisterRecording(m);
}
