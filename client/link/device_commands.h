#pragma once
// One typed operation per camera command. Each takes a place for the status
// byte (nullptr: returns CMD_ERR_NO_STATUS and sends nothing), builds the
// request with big-endian 16-bit fields, and for get commands decodes the
// reply into host values only after a successful exchange with status 0.
//
// Return value: an error code of the exchange (0 = exchange succeeded; the
// command succeeded only when *status is 0 too). A reply with status 0 that
// is too short for its record returns CMD_ERR_LENGTH and decodes nothing.
#include <cstdint>
#include <vector>

#include "command_codes.h"
#include "command_exchange.h"

namespace kelvara {

// SendCommand, and if that returned 0, ReceiveResponse with `timeout_ms`.
int ExecuteCommand(int code, int length, const unsigned char* payload, int timeout_ms,
                   unsigned char* status, uint32_t* reply_length,
                   const unsigned char** reply = nullptr);

struct VersionReply {
  int major = 0;
  int minor = 0;
  int revision = 0;
  uint32_t build = 0;
};

struct ExposureRecord {
  int exposure_us = 0;         // 16-bit on the wire
  int frame_rate_limiter = 0;  // 1 byte, frames per second
};

struct RotationRecord {
  int x = 0, y = 0, z = 0;  // degrees, 16-bit each
};

struct ResponseSpeedRecord {
  int data_size_kb = 0;  // 1 byte
  int interval_us = 0;   // 16-bit
};

// The camera's per-pixel angle table, split into its two planes of 76800
// little-endian 16-bit values in pixel order.
struct ThetaPhiTable {
  std::vector<uint16_t> theta;
  std::vector<uint16_t> phi;
};

// Chip temperatures upper-left, upper-right, lower-left, lower-right, in
// tenths of a degree Celsius.
struct ImagerTemperatures {
  int16_t values[4] = {0, 0, 0, 0};
};

int GetVersion(unsigned char* status, VersionReply* version);
int StartMeasurement(unsigned char* status);
int StopMeasurement(unsigned char* status);
// `frame` receives a pointer to the kMeasurementFrameBytes of the frame in
// the receive buffer (valid until the next exchange). A reply shorter than a
// frame returns CMD_ERR_LENGTH.
int GetResult(unsigned char* status, const unsigned char** frame);
int SetFormat(uint16_t format_code, unsigned char* status);
int GetFormat(unsigned char* status, uint16_t* format_code);
int SetMode(int mode, unsigned char* status);
int GetMode(unsigned char* status, int* mode);
int SetExposure(const ExposureRecord& record, unsigned char* status);
int GetExposure(unsigned char* status, ExposureRecord* record);
int SetRotation(const RotationRecord& record, unsigned char* status);
int GetRotation(unsigned char* status, RotationRecord* record);
int SetLedFreqId(int id, unsigned char* status);
int GetLedFreqId(unsigned char* status, int* id);
int SetAmpMinAll(int minimum, unsigned char* status);
int GetAmpMinAll(unsigned char* status, int* minimum);
int SetAmpMinNear(int minimum, unsigned char* status);
int GetAmpMinNear(unsigned char* status, int* minimum);
int GetAngleTable(unsigned char* status, ThetaPhiTable* table);
int SetPilotLed(int off, unsigned char* status);  // 0 = ON, 1 = OFF
int GetPilotLed(unsigned char* status, int* off);
int SetResponseSpeed(const ResponseSpeedRecord& record, unsigned char* status);
int GetResponseSpeed(unsigned char* status, ResponseSpeedRecord* record);
int SetEnrThreshold(int threshold, unsigned char* status);
int GetEnrThreshold(unsigned char* status, int* threshold);
int GetImagerTemperature(unsigned char* status, ImagerTemperatures* temperatures);
int GetLedTemperature(unsigned char* status, int16_t* temperature);

// Big-endian field helpers shared by the encoders and decoders.
inline int16_t ReadBigEndian16(const unsigned char* p) {
  return static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1]));
}
inline void WriteBigEndian16(unsigned char* p, int value) {
  p[0] = static_cast<unsigned char>((value >> 8) & 0xFF);
  p[1] = static_cast<unsigned char>(value & 0xFF);
}

}  // namespace kelvara
