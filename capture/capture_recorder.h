#pragma once
// --record FILE: every frame the measurement loop receives, whole and with
// its receive time, plus the temperatures it reads, go into one recording
// whose header holds the camera's replies at connect.
#include <cstdint>
#include <memory>
#include <string>

#include "capture/background_recorder.h"
#include "link/camera_link.h"
#include "measure/measurement_outputs.h"
#include "recording/recording_format.h"
#include "recording/recording_writer.h"

namespace kelvara {

// Asks the camera again for its version, angle table and every parameter
// and keeps the replies as received (a reply that fails is left out).
// False when the version cannot be read. Call with no measurement running.
bool ReadConnectReplies(CameraLink& link, recording::RecordingHeader* header);

// Passes every call on to `inner` and records frames and temperatures into
// `writer` (when it is open) on a thread of its own.
class RecordingOutputs : public MeasurementOutputs {
 public:
  RecordingOutputs(MeasurementOutputs& inner, recording::RecordingWriter& writer, int64_t start_ns);
  // Writes what is still queued; call after the run, before closing the writer.
  void Finish();

  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override;
  void MonitorUpdate(double frame_rate, const TemperatureSample& sample) override;
  void CentreReadout(const std::string& text) override { inner_.CentreReadout(text); }
  void LogProgress(int logged, int total) override { inner_.LogProgress(logged, total); }
  void LoggingRunEnded() override { inner_.LoggingRunEnded(); }
  void RunEndedByItself() override { inner_.RunEndedByItself(); }
  void PictureChanged() override { inner_.PictureChanged(); }

 private:
  MeasurementOutputs& inner_;
  std::unique_ptr<BackgroundRecorder> recorder_;  // none when the writer is not open
  int64_t start_ns_;
  int64_t last_ns_ = 0;
};

}  // namespace kelvara

namespace kelvara {

// Begins --record: reads the connect replies, then creates the file with
// them and the frame format. Returns an exit status (kExitOk,
// kExitNoAnswer, kExitOutput) and, unless kExitOk, the reason in *why.
int StartRecording(CameraLink& link, const std::string& path, recording::RecordingWriter* writer, std::string* why);

// Why --record FILE would be overwritten by a file of this run (its log
// files "<name>_..." and "<name>.txt" in --out or in a thousands folder of
// it, its clouds), or empty when it cannot be. Call once --out exists.
std::string RecordingClashWithRun(const std::string& record, const std::string& out, const std::string& name);

// Ends it: flushes and closes. Returns kExitOk or kExitOutput with the
// reason in *why; *summary says how many frames went in.
int FinishRecording(recording::RecordingWriter* writer, std::string* why, std::string* summary);

}  // namespace kelvara
