#pragma once
// The client's link to the camera: one serial library binding, its 4 MiB
// receive buffer and the pause taken before a receive failure is reported.
// The main dialog (or the capture tool) owns one link and passes it down to
// everything that talks to the camera; tests build one over a fake.
//
// The link has no lock: one thread at a time uses it (the user-interface
// thread while no measurement runs, the measurement worker while one does).
//
// Every typed command takes a place for the status byte (nullptr: returns
// CMD_ERR_NO_STATUS and sends nothing), builds the request with big-endian
// 16-bit fields, and for get commands decodes the reply into host values only
// after a successful exchange with status 0.
//
// Return value of the exchange and of every command: an error code of the
// exchange (0 = exchange succeeded; the command succeeded only when *status
// is 0 too). A reply with status 0 that is too short for its record returns
// CMD_ERR_LENGTH and decodes nothing.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "camera_facts/command_codes.h"
#include "link/command_exchange.h"
#include "link/device_commands.h"
#include "link/serial_library.h"

namespace kelvara {

class CameraLink {
 public:
  // Takes the failure pause in milliseconds. The default sleeps; tests pass
  // one that records it.
  using Pause = std::function<void(int milliseconds)>;

  // `library` outlives the link. `pause` empty: the real sleep.
  explicit CameraLink(SerialLibrary& library, Pause pause = nullptr);
  CameraLink(const CameraLink&) = delete;
  CameraLink& operator=(const CameraLink&) = delete;

  // Replaces the failure pause (empty: the real sleep). Call it while no
  // exchange runs.
  void SetPause(Pause pause);

  SerialLibrary& library() { return library_; }

  // --- Ports (the connection panel) ---

  // The port numbers com_getActive lists, in its order (at most 127).
  std::vector<int> ListPorts();
  // Opens a port (com_init with baud 0, the library's default); true when
  // the library opened it.
  bool Open(int port, int baud = 0);
  // Closes the open port (com_close); harmless when none is open.
  void Close();

  // --- The exchange ---

  // Sends one request: com_clear then the library's send, up to 11 times.
  // Returns 0 or CMD_ERR_SEND.
  int SendCommand(int code, int length, const unsigned char* payload);

  // Waits for one response. `status` and `length` receive the header fields
  // (when the start byte is right); `payload`, when given, receives a pointer
  // to byte 6 of this link's receive buffer, valid until the next exchange
  // on this link. Returns 0, CMD_ERR_NO_RESPONSE, CMD_ERR_START_BYTE or
  // CMD_ERR_LENGTH (each failure after the 300 ms pause).
  int ReceiveResponse(int timeout_ms, unsigned char* status, uint32_t* length, const unsigned char** payload);

  // SendCommand, and if that returned 0, ReceiveResponse with `timeout_ms`.
  // `reply` as ReceiveResponse's `payload`.
  int ExecuteCommand(int code, int length, const unsigned char* payload, int timeout_ms, unsigned char* status,
                     uint32_t* reply_length, const unsigned char** reply = nullptr);

  // Hears every exchange the camera answered with status 0: the command
  // code and the reply's payload (valid during the call), on the thread
  // that uses the link. Set it while no exchange runs; empty: none.
  using ReplyTap = std::function<void(int code, const unsigned char* reply, uint32_t length)>;
  void SetReplyTap(ReplyTap tap) { reply_tap_ = std::move(tap); }

  // --- The command set ---

  int GetVersion(unsigned char* status, VersionReply* version);
  int StartMeasurement(unsigned char* status);
  int StopMeasurement(unsigned char* status);
  // Copies the kMeasurementFrameBytes of the frame into `*frame` (resized to
  // that size; left alone unless the command succeeded), so the caller's copy
  // outlives any later exchange. A reply shorter than a frame returns
  // CMD_ERR_LENGTH. `frame` may be nullptr (the frame is dropped).
  int GetResult(unsigned char* status, std::vector<unsigned char>* frame);
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

 private:
  int Get(int code, int timeout_ms, unsigned char* status, uint32_t need, const unsigned char** reply, bool* ok,
          const unsigned char* payload = nullptr, int payload_length = 0, uint32_t* length = nullptr);
  int Set(int code, int timeout_ms, const unsigned char* payload, int length, unsigned char* status);
  int SetByte(int code, int value, unsigned char* status);
  int GetByte(int code, unsigned char* status, int* value);
  int Set16(int code, int value, unsigned char* status);
  int Get16(int code, unsigned char* status, int* value);
  void TakePause();

  SerialLibrary& library_;
  // Allocated once per link, so that a frame never needs an allocation on
  // its way in.
  std::unique_ptr<unsigned char[]> receive_buffer_;
  Pause pause_;
  ReplyTap reply_tap_;
};

}  // namespace kelvara
