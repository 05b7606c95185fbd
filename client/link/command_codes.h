#pragma once
// The camera's command codes, output format codes and fixed payloads.
#include <cstdint>

namespace kelvara {

constexpr uint8_t CMD_GET_VERSION = 0x00;
constexpr uint8_t CMD_START_MEASUREMENT = 0x80;
constexpr uint8_t CMD_STOP_MEASUREMENT = 0x81;
constexpr uint8_t CMD_GET_RESULT = 0x82;
constexpr uint8_t CMD_SET_FORMAT = 0x84;
constexpr uint8_t CMD_GET_FORMAT = 0x85;
constexpr uint8_t CMD_SET_MODE = 0x86;
constexpr uint8_t CMD_GET_MODE = 0x87;
constexpr uint8_t CMD_SET_EXPOSURE = 0x88;
constexpr uint8_t CMD_GET_EXPOSURE = 0x89;
constexpr uint8_t CMD_SET_ROTATION = 0x8A;
constexpr uint8_t CMD_GET_ROTATION = 0x8B;
constexpr uint8_t CMD_SET_LED_FREQ_ID = 0x8E;
constexpr uint8_t CMD_GET_LED_FREQ_ID = 0x8F;
constexpr uint8_t CMD_SET_AMP_MIN_ALL = 0x90;
constexpr uint8_t CMD_GET_AMP_MIN_ALL = 0x91;
constexpr uint8_t CMD_SET_AMP_MIN_NEAR = 0x92;
constexpr uint8_t CMD_GET_AMP_MIN_NEAR = 0x93;
constexpr uint8_t CMD_GET_ANGLE_TABLE = 0x94;
constexpr uint8_t CMD_SET_PILOT_LED = 0x95;
constexpr uint8_t CMD_GET_PILOT_LED = 0x96;
constexpr uint8_t CMD_SET_RESPONSE_SPEED = 0x97;
constexpr uint8_t CMD_GET_RESPONSE_SPEED = 0x98;
constexpr uint8_t CMD_SET_ENR_THRESHOLD = 0x99;
constexpr uint8_t CMD_GET_ENR_THRESHOLD = 0x9A;
constexpr uint8_t CMD_GET_IMAGER_TEMPERATURE = 0xD6;
constexpr uint8_t CMD_GET_LED_TEMPERATURE = 0xD7;

// Receive timeouts of the command set.
constexpr int kShortTimeoutMs = 500;
constexpr int kLongTimeoutMs = 1000;

// Output formats, in the order of the Format selector (index 0..6).
constexpr int kFormatCount = 7;
constexpr uint16_t kFormatCodes[kFormatCount] = {0x01FF, 0x0000, 0x0001, 0x0002,
                                                 0x0100, 0x0101, 0x0102};
constexpr const char* kFormatNames[kFormatCount] = {
    "Amplitude",           "Distance(Polar)",           "Distance(Cartesian)",
    "Distance(Cartesian rot)", "Distance(Polar)+AMP", "Distance(Cartesian)+AMP",
    "Distance(Cartesian rot)+AMP"};

// The index of a format code in the selector order, or -1 when unknown.
constexpr int FormatIndexOfCode(uint16_t code) {
  for (int i = 0; i < kFormatCount; ++i)
    if (kFormatCodes[i] == code) return i;
  return -1;
}

// Codes whose low byte is 0x02 are the rotated formats.
constexpr bool IsRotatedFormatCode(uint16_t code) { return (code & 0xFF) == 0x02; }

// Both temperature commands carry this fixed 8-byte access code.
constexpr unsigned char kTemperatureAccessCode[8] = {'W', '4', 'r', '7', 'X', 'p', '2', 'N'};

// Sizes of the bulk replies.
constexpr int kPixelCount = 320 * 240;
constexpr int kMeasurementFrameBytes = 614656;   // reply of CMD_GET_RESULT
constexpr int kThetaPhiTableBytes = 307200;      // reply of CMD_GET_ANGLE_TABLE
constexpr int kPlaneBytes = kPixelCount * 2;     // one 16-bit plane, 153600 bytes

}  // namespace kelvara
