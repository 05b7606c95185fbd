#include "capture/capture_recorder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>

#include "camera_facts/command_codes.h"
#include "capture/capture_options.h"
#include "link/camera_link.h"
#include "link/device_commands.h"
#include "logging/log_writer.h"

namespace kelvara {
namespace {

// The replies a recording keeps: what a client asks at connect.
struct Query {
  uint8_t code;
  int timeout_ms;
};
constexpr Query kConnectQueries[] = {
    {CMD_GET_VERSION, kShortTimeoutMs},        {CMD_GET_ANGLE_TABLE, kLongTimeoutMs},
    {CMD_GET_FORMAT, kShortTimeoutMs},         {CMD_GET_MODE, kShortTimeoutMs},
    {CMD_GET_EXPOSURE, kShortTimeoutMs},       {CMD_GET_AMP_MIN_ALL, kShortTimeoutMs},
    {CMD_GET_AMP_MIN_NEAR, kShortTimeoutMs},   {CMD_GET_ROTATION, kShortTimeoutMs},
    {CMD_GET_LED_FREQ_ID, kShortTimeoutMs},    {CMD_GET_PILOT_LED, kShortTimeoutMs},
    {CMD_GET_RESPONSE_SPEED, kShortTimeoutMs}, {CMD_GET_ENR_THRESHOLD, kShortTimeoutMs},
};

void PutLe16(unsigned char* p, int16_t v) {
  p[0] = static_cast<unsigned char>(static_cast<uint16_t>(v) & 0xFF);
  p[1] = static_cast<unsigned char>(static_cast<uint16_t>(v) >> 8);
}

}  // namespace

bool ReadConnectReplies(CameraLink& link, recording::RecordingHeader* header) {
  header->replies.clear();
  for (const Query& q : kConnectQueries) {
    unsigned char status = 0;
    uint32_t length = 0;
    const unsigned char* reply = nullptr;
    const int rc = link.ExecuteCommand(q.code, 0, nullptr, q.timeout_ms, &status, &length, &reply);
    if (rc != 0 || status != 0 || (length > 0 && reply == nullptr)) {
      if (q.code == CMD_GET_VERSION) return false;
      continue;
    }
    header->replies.push_back({q.code, std::vector<unsigned char>(reply, reply + length)});
    if (q.code == CMD_GET_FORMAT && length >= 2)
      header->format_code = static_cast<uint16_t>((reply[0] << 8) | reply[1]);
  }
  return true;
}

RecordingOutputs::RecordingOutputs(MeasurementOutputs& inner, recording::RecordingWriter& writer, int64_t start_ns)
    : inner_(inner), start_ns_(start_ns) {
  if (writer.is_open()) recorder_ = std::make_unique<BackgroundRecorder>(writer);
}

void RecordingOutputs::Finish() {
  if (recorder_) recorder_->Finish();
}

void RecordingOutputs::FrameReceived(const unsigned char* frame, size_t size, int64_t receipt_ns) {
  last_ns_ = receipt_ns - start_ns_;
  if (recorder_) recorder_->Append(recording::RecordKind::kFrame, last_ns_, frame, size);
  inner_.FrameReceived(frame, size, receipt_ns);
}

void RecordingOutputs::MonitorUpdate(double frame_rate, const TemperatureSample& s) {
  // Read in this second (not "not sampled"): it belongs after the frame just
  // received, where a replay serves it again.
  if (s.sampled == 0) {
    unsigned char p[recording::kTemperaturePayloadBytes];
    const int16_t values[5] = {s.upper_left, s.upper_right, s.lower_left, s.lower_right, s.led};
    for (int k = 0; k < 5; ++k) PutLe16(p + 2 * k, values[k]);
    if (recorder_) recorder_->Append(recording::RecordKind::kTemperatures, last_ns_, p, sizeof p);
  }
  inner_.MonitorUpdate(frame_rate, s);
}

}  // namespace kelvara

namespace kelvara {

int StartRecording(CameraLink& link, const std::string& path, recording::RecordingWriter* writer, std::string* why) {
  recording::RecordingHeader header;
  header.start_unix_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  if (!ReadConnectReplies(link, &header)) {
    *why = "no answer from the camera while reading its replies for the recording";
    return kExitNoAnswer;
  }
  if (!writer->Open(path, header)) {
    *why = OutputFailureMessage(path) + " (" + writer->error() + ")";
    return kExitOutput;
  }
  return kExitOk;
}

std::string RecordingClashWithRun(const std::string& record, const std::string& out, const std::string& name) {
  const size_t slash = record.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : record.substr(0, slash);
  const std::string file = slash == std::string::npos ? record : record.substr(slash + 1);
  if (file.compare(0, name.size() + 1, name + "_") != 0 && file != name + ".txt") return {};
  auto same_folder = [](const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  };
  // The raw files of a long run go into four-digit folders inside --out.
  const size_t base = folder.rfind('/');
  const std::string last = base == std::string::npos ? folder : folder.substr(base + 1);
  const bool thousands =
      last.size() == 4 && std::all_of(last.begin(), last.end(), [](char c) { return std::isdigit(c) != 0; });
  if (!same_folder(folder, out) && !(thousands && same_folder(folder + "/..", out))) return {};
  return "--record " + record + ": this run's log files (" + name + "_... and " + name + ".txt in " + out +
         ") could overwrite it; choose another name or folder";
}

int FinishRecording(recording::RecordingWriter* writer, std::string* why, std::string* summary) {
  const int64_t records = writer->records();
  const std::string path = writer->path();
  if (!writer->Close()) {
    *why = OutputFailureMessage(path) + " (" + writer->error() + ")";
    return kExitOutput;
  }
  *summary = std::to_string(records) + " records written to " + path;
  return kExitOk;
}

}  // namespace kelvara
