#include "record/recording_outputs.h"

#include "recording/recording_format.h"

namespace kelvara {
namespace {

void PutLe16(unsigned char* p, int16_t v) {
  p[0] = static_cast<unsigned char>(static_cast<uint16_t>(v) & 0xFF);
  p[1] = static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8);
}

}  // namespace

RecordingOutputs::RecordingOutputs(MeasurementOutputs& inner, recording::RecordingWriter& writer, int64_t start_ns)
    : inner_(inner) {
  if (writer.is_open()) Begin(writer, start_ns);
}

void RecordingOutputs::Begin(recording::RecordingWriter& writer, int64_t start_ns) {
  Finish();
  std::lock_guard<std::mutex> lock(mutex_);
  recorder_ = std::make_unique<BackgroundRecorder>(writer);
  start_ns_ = start_ns;
  last_ns_ = 0;
  frames_ = 0;
  records_ = 0;
  bytes_ = 0;
  on_ = true;
}

void RecordingOutputs::Finish() {
  std::unique_ptr<BackgroundRecorder> recorder;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    recorder.swap(recorder_);
    on_ = false;
  }
  if (recorder) recorder->Finish();
}

RecordingCounts RecordingOutputs::Counts() const {
  RecordingCounts c;
  c.frames = frames_.load();
  c.records = records_.load();
  c.bytes = bytes_.load();
  return c;
}

// Loop thread, with the tap's lock held.
void RecordingOutputs::Append(recording::RecordKind kind, const unsigned char* payload, size_t size, bool frame) {
  recorder_->Append(kind, last_ns_, payload, size);
  if (frame) ++frames_;
  ++records_;
  bytes_ += static_cast<int64_t>(recording::kRecordHeadBytes + size + recording::kChecksumBytes);
}

void RecordingOutputs::FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A frame received before the recording began (still on its way to
    // this side) is not in it.
    if (recorder_ && receipt_ns >= start_ns_) {
      last_ns_ = receipt_ns - start_ns_;
      Append(recording::RecordKind::kFrame, frame, size, true);
    }
  }
  inner_.FrameReceived(frame, size, receipt_ns);
}

void RecordingOutputs::MonitorUpdate(double frame_rate, const TemperatureSample& s) {
  // Read in this second (not "not sampled"): it belongs after the frame just
  // received, where a replay serves it again.
  if (s.sampled == 0) {
    unsigned char p[recording::kTemperaturePayloadBytes];
    const int16_t values[5] = {s.upper_left, s.upper_right, s.lower_left, s.lower_right, s.led};
    for (int k = 0; k < 5; ++k) PutLe16(p + 2 * k, values[k]);
    std::lock_guard<std::mutex> lock(mutex_);
    if (recorder_) Append(recording::RecordKind::kTemperatures, p, sizeof p, false);
  }
  inner_.MonitorUpdate(frame_rate, s);
}

}  // namespace kelvara
