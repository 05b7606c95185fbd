#pragma once
// The camera's command codes, receive timeouts and fixed payloads.
#include <cstdint>

// Formats and frame sizes travel with the command set.
#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "camera_facts/wire_framing.h"

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

// Both temperature commands carry this fixed 8-byte access code.
constexpr unsigned char kTemperatureAccessCode[8] = {'W', '4', 'r', '7', 'X', 'p', '2', 'N'};

}  // namespace kelvara
