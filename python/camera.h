#pragma once
// kelvara.Camera: a camera on a serial port, driven through a Session.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace kelvara {
namespace python {

// Registers list_ports, Camera and its frame stream on the module.
void RegisterCamera(pybind11::module_& m);

}  // namespace python
}  // namespace kelvara
