#pragma once
// Keeps the client's copy of the camera parameters and the camera in step:
// reads every group after a connect, and sends only the groups the user
// changed. Runs on the user-interface thread, never while a measurement runs.
#include <cstdint>

#include "config/device_parameters.h"
#include "config/notifier.h"
#include "config/parameter_panel.h"
#include "link/camera_link.h"

namespace kelvara {

class ParameterModel {
 public:
  // Talks to the camera through `link`. `panel` may be nullptr (no panel
  // shows the values, e.g. the capture tool).
  ParameterModel(CameraLink& link, Notifier& notifier, ParameterPanel* panel = nullptr);

  // The panel that shows the values from now on (nullptr: none).
  void SetPanel(ParameterPanel* panel) { panel_ = panel; }

  DeviceParameters& parameters() { return parameters_; }
  const DeviceParameters& parameters() const { return parameters_; }

  // Sends every group whose current value differs from its applied value, in
  // the fixed group order. A refused or unanswered group is reported with
  // "Set parameter failed!! [ <group> ]", put back to its applied values and
  // shown again; the next group is still sent.
  void ApplyParameters();

  // Reads all ten groups into current and applied values. A failed group is
  // reported with "Get parameter failed!! [ <group> ]" and keeps its values.
  // At the end the panel is enabled and shows the values.
  void ReadParametersFromDevice();

  // Selects the Format entry of a camera format code (current and applied);
  // an unknown code selects nothing. The rotation controls are enabled for
  // the rotated formats only, and disabled for an unknown code.
  void SelectFormatByCode(uint16_t code);

  // Selects the Data size entry of a value (current and applied); any value
  // without an entry changes nothing.
  void SelectDataSizeByValue(int kb);

 private:
  void Show();
  void ApplyRotationRule();

  CameraLink& link_;
  Notifier& notifier_;
  ParameterPanel* panel_;
  DeviceParameters parameters_;
};

}  // namespace kelvara
