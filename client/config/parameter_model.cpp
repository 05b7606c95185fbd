#include "config/parameter_model.h"

#include <string>

#include "link/camera_link.h"

namespace kelvara {
namespace {

using Member = ParameterValue DeviceParameters::*;

// Parameters that share one command are sent and reverted together.
struct Group {
  const char* name;  // as shown in the failure messages
  Member members[3];
  int member_count;
  // False while the group has nothing valid to send (no selector entry).
  bool (*sendable)(const DeviceParameters&);
  int (*send)(CameraLink& link, const DeviceParameters&, unsigned char* status);
};

bool Always(const DeviceParameters&) { return true; }

// The groups in the order in which they are sent.
const Group kGroups[] = {
    {"Format",
     {&DeviceParameters::format},
     1,
     [](const DeviceParameters& p) { return p.format.current >= 0 && p.format.current < kFormatCount; },
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetFormat(kFormatCodes[p.format.current], s);
     }},
    // A Mode without a selected entry is not sent either: its index would go
    // on the wire as the byte 0xFF.
    {"Mode",
     {&DeviceParameters::mode},
     1,
     [](const DeviceParameters& p) { return p.mode.current >= 0 && p.mode.current < kModeCount; },
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) { return link.SetMode(p.mode.current, s); }},
    {"Exposure time & Frame rate limitter",
     {&DeviceParameters::exposure_us, &DeviceParameters::frame_rate_limiter},
     2,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetExposure({p.exposure_us.current, p.frame_rate_limiter.current}, s);
     }},
    {"Amplitude minimum - All range",
     {&DeviceParameters::amp_min_all},
     1,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetAmpMinAll(p.amp_min_all.current, s);
     }},
    {"Amplitude minimum - Near range",
     {&DeviceParameters::amp_min_near},
     1,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetAmpMinNear(p.amp_min_near.current, s);
     }},
    {"Rotation angle",
     {&DeviceParameters::rotation_x, &DeviceParameters::rotation_y, &DeviceParameters::rotation_z},
     3,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetRotation({p.rotation_x.current, p.rotation_y.current, p.rotation_z.current}, s);
     }},
    {"LED Freq. ID",
     {&DeviceParameters::led_freq_id},
     1,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetLedFreqId(p.led_freq_id.current, s);
     }},
    {"Pilot LED",
     {&DeviceParameters::pilot_led},
     1,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetPilotLed(p.pilot_led.current, s);
     }},
    {"Response speed",
     {&DeviceParameters::data_size_kb, &DeviceParameters::interval_us},
     2,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetResponseSpeed({p.data_size_kb.current, p.interval_us.current}, s);
     }},
    {"ENR Threshold",
     {&DeviceParameters::enr_threshold},
     1,
     Always,
     [](CameraLink& link, const DeviceParameters& p, unsigned char* s) {
       return link.SetEnrThreshold(p.enr_threshold.current, s);
     }},
};

// A command succeeded when the exchange did and the camera's status is 0.
bool Succeeded(int rc, unsigned char status) { return rc == 0 && status == 0; }

void Confirm(ParameterValue& v, int value) { v.current = v.applied = value; }

std::string Bracketed(const char* text, const char* name) { return std::string(text) + " [ " + name + " ]"; }

}  // namespace

ParameterModel::ParameterModel(CameraLink& link, Notifier& notifier, ParameterPanel* panel)
    : link_(link), notifier_(notifier), panel_(panel) {}

void ParameterModel::Show() {
  if (panel_) panel_->ShowValues(parameters_);
}

void ParameterModel::ApplyRotationRule() {
  if (panel_) panel_->SetRotationControlsEnabled(IsRotatedFormatIndex(parameters_.format.current));
}

void ParameterModel::ApplyParameters() {
  if (panel_) panel_->SetWaitCursor(true);
  DeviceParameters& p = parameters_;
  for (const Group& g : kGroups) {
    bool changed = false;
    for (int i = 0; i < g.member_count; ++i) changed = changed || (p.*g.members[i]).Changed();
    if (!changed || !g.sendable(p)) continue;

    unsigned char status = 0xFF;
    const int rc = g.send(link_, p, &status);
    if (Succeeded(rc, status)) {
      for (int i = 0; i < g.member_count; ++i) (p.*g.members[i]).applied = (p.*g.members[i]).current;
      continue;
    }
    notifier_.ShowMessage(Bracketed("Set parameter failed!!", g.name), MessageIcon::kNone);
    for (int i = 0; i < g.member_count; ++i) (p.*g.members[i]).current = (p.*g.members[i]).applied;
    // The reverted Format entry decides the rotation controls again.
    if (g.members[0] == &DeviceParameters::format) ApplyRotationRule();
    Show();
  }
  if (panel_) panel_->SetWaitCursor(false);
}

void ParameterModel::ReadParametersFromDevice() {
  DeviceParameters& p = parameters_;
  unsigned char status = 0xFF;
  // Reads the status only after the operation has filled it in.
  auto ok = [&status](int rc) { return Succeeded(rc, status); };
  auto failed = [&](const char* name) {
    notifier_.ShowMessage(Bracketed("Get parameter failed!!", name), MessageIcon::kNone);
  };

  uint16_t code = 0;
  if (ok(link_.GetFormat(&status, &code))) SelectFormatByCode(code);
  else failed("Format");

  int mode = 0;
  if (ok(link_.GetMode(&status, &mode))) Confirm(p.mode, mode);
  else failed("Mode");

  ExposureRecord exposure;
  if (ok(link_.GetExposure(&status, &exposure))) {
    Confirm(p.exposure_us, exposure.exposure_us);
    Confirm(p.frame_rate_limiter, exposure.frame_rate_limiter);
  } else {
    failed("Exposure time & Frame rate limitter");
  }

  int value = 0;
  if (ok(link_.GetAmpMinAll(&status, &value))) Confirm(p.amp_min_all, value);
  else failed("Amplitude minimum - All range");

  if (ok(link_.GetAmpMinNear(&status, &value))) Confirm(p.amp_min_near, value);
  else failed("Amplitude minimum - Near range");

  RotationRecord rotation;
  if (ok(link_.GetRotation(&status, &rotation))) {
    Confirm(p.rotation_x, rotation.x);
    Confirm(p.rotation_y, rotation.y);
    Confirm(p.rotation_z, rotation.z);
  } else {
    failed("Rotation angle");
  }

  if (ok(link_.GetLedFreqId(&status, &value))) Confirm(p.led_freq_id, value);
  else failed("LED Freq. ID");

  if (ok(link_.GetPilotLed(&status, &value))) Confirm(p.pilot_led, value);
  else failed("Pilot LED");

  ResponseSpeedRecord speed;
  if (ok(link_.GetResponseSpeed(&status, &speed))) {
    SelectDataSizeByValue(speed.data_size_kb);
    Confirm(p.interval_us, speed.interval_us);
  } else {
    failed("Response speed");
  }

  if (ok(link_.GetEnrThreshold(&status, &value))) Confirm(p.enr_threshold, value);
  else failed("ENR Threshold");

  if (panel_) panel_->SetParameterPanelEnabled(true);
  Show();
}

void ParameterModel::SelectFormatByCode(uint16_t code) {
  const int index = FormatIndexOfCode(code);
  if (index >= 0) Confirm(parameters_.format, index);
  // The controls follow the code the camera holds: only a rotated format in
  // the table enables them, so an unknown code disables them whatever entry
  // is still shown.
  if (panel_) panel_->SetRotationControlsEnabled(IsRotatedFormatCode(code));
  Show();
}

void ParameterModel::SelectDataSizeByValue(int kb) {
  if (DataSizeIndexOfValue(kb) < 0) return;
  Confirm(parameters_.data_size_kb, kb);
  Show();
}

}  // namespace kelvara
