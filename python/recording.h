#pragma once
// kelvara.Recording: the frames of a recording file, without a camera.
#include <pybind11/pybind11.h>

namespace kelvara {
namespace python {

void RegisterRecording(pybind11::module_& m);

}  // namespace python
}  // namespace kelvara
