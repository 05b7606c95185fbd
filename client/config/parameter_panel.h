#pragma once
// What the parameter model needs of the settings panel that shows it. The Qt
// settings panel implements it; tests record the calls.
#include "config/device_parameters.h"

namespace kelvara {

class ParameterPanel {
 public:
  virtual ~ParameterPanel() = default;
  // Show every current value, the three selectors included (an index of -1
  // or a data size without an entry selects nothing).
  virtual void ShowValues(const DeviceParameters& parameters) = 0;
  // Enable or disable the three rotation fields and their spins.
  virtual void SetRotationControlsEnabled(bool enabled) = 0;
  // Enable or disable the whole panel (the rotation controls only where the
  // selected format allows them).
  virtual void SetParameterPanelEnabled(bool enabled) = 0;
  // The wait cursor, shown while parameters are sent.
  virtual void SetWaitCursor(bool shown) = 0;
};

}  // namespace kelvara
