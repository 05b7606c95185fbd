#pragma once
// The recording tap of the measurement loop: every frame the loop receives,
// whole and with its receive time, plus the temperatures it reads, go into
// a recording on a thread of its own (a BackgroundRecorder), so that the
// loop pays only for a copy of each frame. Every call is passed on.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "measure/measurement_outputs.h"
#include "record/background_recorder.h"
#include "recording/recording_writer.h"

namespace kelvara {

// How far a recording has got: frames and all records queued for the file,
// and the bytes they take in it (the header not counted).
struct RecordingCounts {
  int64_t frames = 0;
  int64_t records = 0;
  int64_t bytes = 0;
};

class RecordingOutputs : public MeasurementOutputs {
 public:
  // Records nothing until Begin.
  explicit RecordingOutputs(MeasurementOutputs& inner) : inner_(inner) {}
  // Records into `writer` at once when it is open (times from `start_ns`).
  RecordingOutputs(MeasurementOutputs& inner, recording::RecordingWriter& writer, int64_t start_ns);
  ~RecordingOutputs() override { Finish(); }
  RecordingOutputs(const RecordingOutputs&) = delete;
  RecordingOutputs& operator=(const RecordingOutputs&) = delete;

  // From the next frame on, records into `writer` (open, with its header
  // written) with receive times counted from `start_ns` (the loop's clock).
  // Any thread; ends a recording still going on first.
  void Begin(recording::RecordingWriter& writer, int64_t start_ns);
  // Ends the recording: writes what is still queued; the writer is the
  // caller's again (to close). Harmless without a recording.
  void Finish();
  bool Recording() const { return on_.load(); }
  RecordingCounts Counts() const;

  void FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) override;
  void MonitorUpdate(double frame_rate, const TemperatureSample& sample) override;
  void CentreReadout(const std::string& text) override { inner_.CentreReadout(text); }
  void LogProgress(int logged, int total) override { inner_.LogProgress(logged, total); }
  void LoggingRunEnded() override { inner_.LoggingRunEnded(); }
  void RunEndedByItself() override { inner_.RunEndedByItself(); }
  void FrameHealthUpdate(const FrameHealth& health) override { inner_.FrameHealthUpdate(health); }
  void PictureChanged() override { inner_.PictureChanged(); }

 private:
  void Append(recording::RecordKind kind, const unsigned char* payload, size_t size, bool frame);

  MeasurementOutputs& inner_;
  std::mutex mutex_;                              // guards the recorder and the times
  std::unique_ptr<BackgroundRecorder> recorder_;  // none while nothing is recorded
  int64_t start_ns_ = 0;
  int64_t last_ns_ = 0;
  std::atomic<bool> on_{false};
  std::atomic<int64_t> frames_{0};
  std::atomic<int64_t> records_{0};
  std::atomic<int64_t> bytes_{0};
};

}  // namespace kelvara
