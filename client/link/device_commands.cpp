// The command set of CameraLink: one typed method per camera command.
#include <cstring>

#include "link/camera_link.h"

namespace kelvara {

// One get exchange: runs the command and hands back the reply payload when
// the exchange succeeded, the status is 0 and at least `need` bytes arrived.
// `*ok` tells the caller whether to decode; `*length` is the payload length.
int CameraLink::Get(int code, int timeout_ms, unsigned char* status, uint32_t need, const unsigned char** reply,
                    bool* ok, const unsigned char* payload, int payload_length, uint32_t* length) {
  *ok = false;
  if (status == nullptr) return CMD_ERR_NO_STATUS;
  uint32_t got = 0;
  int rc = ExecuteCommand(code, payload_length, payload, timeout_ms, status, &got, reply);
  if (length) *length = got;
  if (rc != 0 || *status != 0) return rc;
  if (got < need) return CMD_ERR_LENGTH;
  *ok = true;
  return 0;
}

int CameraLink::Set(int code, int timeout_ms, const unsigned char* payload, int length, unsigned char* status) {
  if (status == nullptr) return CMD_ERR_NO_STATUS;
  uint32_t reply_length = 0;
  return ExecuteCommand(code, length, payload, timeout_ms, status, &reply_length);
}

int CameraLink::SetByte(int code, int value, unsigned char* status) {
  const unsigned char b = static_cast<unsigned char>(value);
  return Set(code, kShortTimeoutMs, &b, 1, status);
}

int CameraLink::GetByte(int code, unsigned char* status, int* value) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(code, kShortTimeoutMs, status, 1, &r, &ok);
  if (ok && value) *value = r[0];
  return rc;
}

int CameraLink::Set16(int code, int value, unsigned char* status) {
  unsigned char b[2];
  WriteBigEndian16(b, value);
  return Set(code, kShortTimeoutMs, b, 2, status);
}

int CameraLink::Get16(int code, unsigned char* status, int* value) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(code, kShortTimeoutMs, status, 2, &r, &ok);
  if (ok && value) *value = ReadBigEndian16(r);
  return rc;
}

int CameraLink::GetVersion(unsigned char* status, VersionReply* version) {
  const unsigned char* r = nullptr;
  bool ok = false;
  uint32_t length = 0;
  int rc = Get(CMD_GET_VERSION, kShortTimeoutMs, status, 5, &r, &ok, nullptr, 0, &length);
  if (!ok) return rc;
  // The identification field is 12 bytes when its fifth byte is '0', else 11.
  const uint32_t offset = r[4] == 0x30 ? 12 : 11;
  if (length < offset + 7) return CMD_ERR_LENGTH;
  if (version) {
    const unsigned char* v = r + offset;
    version->major = v[0];
    version->minor = v[1];
    version->revision = v[2];
    version->build = (uint32_t{v[3]} << 24) | (uint32_t{v[4]} << 16) | (uint32_t{v[5]} << 8) | v[6];
  }
  return 0;
}

int CameraLink::StartMeasurement(unsigned char* status) {
  return Set(CMD_START_MEASUREMENT, kLongTimeoutMs, nullptr, 0, status);
}

int CameraLink::StopMeasurement(unsigned char* status) {
  return Set(CMD_STOP_MEASUREMENT, kLongTimeoutMs, nullptr, 0, status);
}

int CameraLink::GetResult(unsigned char* status, std::vector<unsigned char>* frame) {
  static const unsigned char kPayload[1] = {0x00};
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_RESULT, kLongTimeoutMs, status, kMeasurementFrameBytes, &r, &ok, kPayload, 1);
  if (ok && frame) {
    // The caller's copy: the receive buffer belongs to the next exchange.
    frame->resize(kMeasurementFrameBytes);
    std::memcpy(frame->data(), r, kMeasurementFrameBytes);
  }
  return rc;
}

int CameraLink::SetFormat(uint16_t format_code, unsigned char* status) {
  unsigned char b[2];
  WriteBigEndian16(b, format_code);
  return Set(CMD_SET_FORMAT, kLongTimeoutMs, b, 2, status);
}

int CameraLink::GetFormat(unsigned char* status, uint16_t* format_code) {
  int value = 0;
  int rc = Get16(CMD_GET_FORMAT, status, &value);
  if (rc == 0 && *status == 0 && format_code) *format_code = static_cast<uint16_t>(value);
  return rc;
}

int CameraLink::SetMode(int mode, unsigned char* status) {
  const unsigned char b = static_cast<unsigned char>(mode);
  return Set(CMD_SET_MODE, kLongTimeoutMs, &b, 1, status);
}

int CameraLink::GetMode(unsigned char* status, int* mode) { return GetByte(CMD_GET_MODE, status, mode); }

int CameraLink::SetExposure(const ExposureRecord& record, unsigned char* status) {
  unsigned char b[7] = {0, 0, 0, 0, 0, 0, 0};
  WriteBigEndian16(b, record.exposure_us);
  b[6] = static_cast<unsigned char>(record.frame_rate_limiter);
  return Set(CMD_SET_EXPOSURE, kShortTimeoutMs, b, 7, status);
}

int CameraLink::GetExposure(unsigned char* status, ExposureRecord* record) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_EXPOSURE, kShortTimeoutMs, status, 7, &r, &ok);
  if (ok && record) {
    record->exposure_us = ReadBigEndian16(r);
    record->frame_rate_limiter = r[6];
  }
  return rc;
}

int CameraLink::SetRotation(const RotationRecord& record, unsigned char* status) {
  unsigned char b[6];
  WriteBigEndian16(b, record.x);
  WriteBigEndian16(b + 2, record.y);
  WriteBigEndian16(b + 4, record.z);
  return Set(CMD_SET_ROTATION, kShortTimeoutMs, b, 6, status);
}

int CameraLink::GetRotation(unsigned char* status, RotationRecord* record) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_ROTATION, kShortTimeoutMs, status, 6, &r, &ok);
  if (ok && record) {
    record->x = ReadBigEndian16(r);
    record->y = ReadBigEndian16(r + 2);
    record->z = ReadBigEndian16(r + 4);
  }
  return rc;
}

int CameraLink::SetLedFreqId(int id, unsigned char* status) { return SetByte(CMD_SET_LED_FREQ_ID, id, status); }
int CameraLink::GetLedFreqId(unsigned char* status, int* id) { return GetByte(CMD_GET_LED_FREQ_ID, status, id); }
int CameraLink::SetAmpMinAll(int minimum, unsigned char* status) {
  return SetByte(CMD_SET_AMP_MIN_ALL, minimum, status);
}
int CameraLink::GetAmpMinAll(unsigned char* status, int* minimum) {
  return GetByte(CMD_GET_AMP_MIN_ALL, status, minimum);
}
int CameraLink::SetAmpMinNear(int minimum, unsigned char* status) {
  return SetByte(CMD_SET_AMP_MIN_NEAR, minimum, status);
}
int CameraLink::GetAmpMinNear(unsigned char* status, int* minimum) {
  return GetByte(CMD_GET_AMP_MIN_NEAR, status, minimum);
}

int CameraLink::GetAngleTable(unsigned char* status, ThetaPhiTable* table) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_ANGLE_TABLE, kLongTimeoutMs, status, kThetaPhiTableBytes, &r, &ok);
  if (ok && table) {
    // Theta plane first, phi plane from byte 153600; little-endian values.
    table->theta.resize(kPixelCount);
    table->phi.resize(kPixelCount);
    const unsigned char* phi = r + kPlaneBytes;
    for (int i = 0; i < kPixelCount; ++i) {
      table->theta[i] = static_cast<uint16_t>(r[2 * i] | (r[2 * i + 1] << 8));
      table->phi[i] = static_cast<uint16_t>(phi[2 * i] | (phi[2 * i + 1] << 8));
    }
  }
  return rc;
}

int CameraLink::SetPilotLed(int off, unsigned char* status) { return SetByte(CMD_SET_PILOT_LED, off, status); }
int CameraLink::GetPilotLed(unsigned char* status, int* off) { return GetByte(CMD_GET_PILOT_LED, status, off); }

int CameraLink::SetResponseSpeed(const ResponseSpeedRecord& record, unsigned char* status) {
  unsigned char b[3];
  b[0] = static_cast<unsigned char>(record.data_size_kb);
  WriteBigEndian16(b + 1, record.interval_us);
  return Set(CMD_SET_RESPONSE_SPEED, kShortTimeoutMs, b, 3, status);
}

int CameraLink::GetResponseSpeed(unsigned char* status, ResponseSpeedRecord* record) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_RESPONSE_SPEED, kShortTimeoutMs, status, 3, &r, &ok);
  if (ok && record) {
    record->data_size_kb = r[0];
    record->interval_us = ReadBigEndian16(r + 1);
  }
  return rc;
}

int CameraLink::SetEnrThreshold(int threshold, unsigned char* status) {
  return Set16(CMD_SET_ENR_THRESHOLD, threshold, status);
}
int CameraLink::GetEnrThreshold(unsigned char* status, int* threshold) {
  return Get16(CMD_GET_ENR_THRESHOLD, status, threshold);
}

int CameraLink::GetImagerTemperature(unsigned char* status, ImagerTemperatures* temperatures) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_IMAGER_TEMPERATURE, kShortTimeoutMs, status, 8, &r, &ok, kTemperatureAccessCode, 8);
  if (ok && temperatures)
    for (int i = 0; i < 4; ++i) temperatures->values[i] = ReadBigEndian16(r + 2 * i);
  return rc;
}

int CameraLink::GetLedTemperature(unsigned char* status, int16_t* temperature) {
  const unsigned char* r = nullptr;
  bool ok = false;
  int rc = Get(CMD_GET_LED_TEMPERATURE, kShortTimeoutMs, status, 2, &r, &ok, kTemperatureAccessCode, 8);
  if (ok && temperature) *temperature = ReadBigEndian16(r);
  return rc;
}

}  // namespace kelvara
