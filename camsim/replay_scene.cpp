#include "camsim/replay_scene.h"

#include <cstdio>
#include <cstring>

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "recording/le_bytes.h"

namespace kelvara {
namespace camsim {
namespace {

using recording::RecordEntry;
using recording::RecordKind;

int BigEndian16(const std::vector<unsigned char>& p, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>((p[at] << 8) | p[at + 1]));
}

// A theta value with bits 12 to 15 set carries no angle.
constexpr uint16_t kNoAngle = 0xF000;

}  // namespace

std::unique_ptr<ReplayScene> ReplayScene::Open(const ReplayOptions& options, std::string* error, std::string* summary) {
  std::unique_ptr<ReplayScene> scene(new ReplayScene());
  scene->options_ = options;
  recording::RecordingReader& r = scene->reader_;
  if (!r.Open(options.path)) {
    *error = r.error();
    return nullptr;
  }
  if (FormatIndexOfCode(r.header().format_code) < 0) {
    *error = options.path + ": recorded format code " + std::to_string(r.header().format_code) + " is unknown";
    return nullptr;
  }
  if (r.frames().empty()) {
    *error = options.path + ": the recording holds no whole frame";
    return nullptr;
  }
  for (size_t k = 0; k < r.frames().size(); ++k) {
    if (r.frames()[k].payload_size != static_cast<uint32_t>(kMeasurementFrameBytes)) {
      *error = options.path + ": frame " + std::to_string(k) + " has " + std::to_string(r.frames()[k].payload_size) +
               " bytes, not " + std::to_string(kMeasurementFrameBytes);
      return nullptr;
    }
  }
  scene->frame_.resize(kMeasurementFrameBytes);
  const recording::CameraReply* table = r.header().Find(CMD_GET_ANGLE_TABLE);
  if (table != nullptr && table->payload.size() == static_cast<size_t>(kThetaPhiTableBytes)) {
    scene->angle_table_ = table->payload;
  } else {
    // No table recorded: every theta carries no angle, phi is 0.
    scene->angle_table_.assign(kThetaPhiTableBytes, 0);
    for (int i = 0; i < kPixelCount; ++i) recording::PutLe(&scene->angle_table_[2 * i], kNoAngle, 2);
  }
  // Temperatures recorded before the first frame are the starting ones.
  for (const RecordEntry& e : r.records()) {
    if (e.kind == RecordKind::kTemperatures) {
      scene->TakeTemperatures(e);
      break;
    }
  }

  *summary = "replaying " + std::to_string(r.frames().size()) + " frames of " + options.path +
             (options.loop ? " in a loop" : "");
  if (r.trailing_bytes() > 0)
    *summary += "; the recording is cut off after its last whole frame (" + std::to_string(r.trailing_bytes()) +
                " bytes after it ignored)";
  return scene;
}

void ReplayScene::TakeTemperatures(const RecordEntry& e) {
  unsigned char p[recording::kTemperaturePayloadBytes];
  if (e.payload_size != sizeof p || !reader_.ReadPayload(e, p)) return;
  for (int k = 0; k < 5; ++k) temperatures_[k] = static_cast<int16_t>(recording::GetLe(p + 2 * k, 2));
}

const unsigned char* ReplayScene::Frame(const CameraParameters&, double) {
  const std::vector<RecordEntry>& records = reader_.records();
  for (;;) {
    if (next_record_ >= records.size()) {
      if (!options_.loop) {
        if (!ended_reported_) {
          std::fprintf(stderr, "kelvara-camsim: end of the recording after %zu frames\n", served_);
          ended_reported_ = true;
        }
        return nullptr;
      }
      next_record_ = 0;
      next_frame_ = 0;
    }
    const RecordEntry& e = records[next_record_++];
    if (e.kind == RecordKind::kTemperatures) {
      TakeTemperatures(e);
      continue;
    }
    if (!reader_.ReadPayload(e, frame_.data())) return nullptr;
    ++next_frame_;
    ++served_;
    return frame_.data();
  }
}

void ReplayScene::SeekFrame(size_t index) {
  const std::vector<RecordEntry>& records = reader_.records();
  if (frame_records_.empty()) {
    for (size_t k = 0; k < records.size(); ++k)
      if (records[k].kind != RecordKind::kTemperatures) frame_records_.push_back(k);
  }
  if (index >= frame_records_.size() || index == next_frame_) return;
  next_frame_ = index;
  next_record_ = frame_records_[index];
  // The temperatures are the last ones recorded before that frame (before
  // the first reading, the first one, as at the start).
  for (size_t k = next_record_; k-- > 0;) {
    if (records[k].kind == RecordKind::kTemperatures) {
      TakeTemperatures(records[k]);
      return;
    }
  }
  for (const RecordEntry& e : records) {
    if (e.kind == RecordKind::kTemperatures) {
      TakeTemperatures(e);
      return;
    }
  }
}

const unsigned char* ReplayScene::AngleTable() { return angle_table_.data(); }

void ReplayScene::Temperatures(double, int16_t imager[4], int16_t* led) {
  // The readings recorded after the frame served last, up to the next frame.
  const std::vector<RecordEntry>& records = reader_.records();
  for (size_t k = next_record_; k < records.size() && records[k].kind == RecordKind::kTemperatures; ++k)
    TakeTemperatures(records[k]);
  std::copy(temperatures_, temperatures_ + 4, imager);
  *led = temperatures_[4];
}

std::vector<unsigned char> ReplayScene::VersionPayload() const {
  const recording::CameraReply* version = reader_.header().Find(CMD_GET_VERSION);
  return version != nullptr ? version->payload : Scene::VersionPayload();
}

void ReplayScene::StartParameters(CameraParameters* p) const {
  const recording::RecordingHeader& h = reader_.header();
  auto reply = [&h](uint8_t code, size_t size) -> const std::vector<unsigned char>* {
    const recording::CameraReply* r = h.Find(code);
    return r != nullptr && r->payload.size() >= size ? &r->payload : nullptr;
  };
  p->format_code = h.format_code;
  if (auto* r = reply(CMD_GET_MODE, 1)) p->mode = (*r)[0];
  if (auto* r = reply(CMD_GET_EXPOSURE, 7)) {
    p->exposure_us = BigEndian16(*r, 0);
    std::memcpy(p->exposure_reserved, r->data() + 2, 4);
    p->frame_rate_limit = (*r)[6];
  }
  if (auto* r = reply(CMD_GET_AMP_MIN_ALL, 1)) p->amp_min_all = (*r)[0];
  if (auto* r = reply(CMD_GET_AMP_MIN_NEAR, 1)) p->amp_min_near = (*r)[0];
  if (auto* r = reply(CMD_GET_ROTATION, 6))
    for (int k = 0; k < 3; ++k) p->rotation[k] = BigEndian16(*r, 2 * k);
  if (auto* r = reply(CMD_GET_LED_FREQ_ID, 1)) p->led_freq_id = (*r)[0];
  if (auto* r = reply(CMD_GET_PILOT_LED, 1)) p->pilot_led = (*r)[0];
  if (auto* r = reply(CMD_GET_RESPONSE_SPEED, 3)) {
    p->data_size_kb = (*r)[0];
    p->interval_us = BigEndian16(*r, 1);
  }
  if (auto* r = reply(CMD_GET_ENR_THRESHOLD, 2)) p->enr_threshold = BigEndian16(*r, 0);
}

double ReplayScene::NextFrameGap() const {
  if (options_.fps == 0) return 0;
  if (options_.fps > 0) return 1.0 / options_.fps;
  // The recorded pacing: the gap before the next frame. Looping back to the
  // first frame takes the mean gap.
  const std::vector<RecordEntry>& frames = reader_.frames();
  if (frames.size() < 2) return 0;
  if (next_frame_ == 0 || next_frame_ >= frames.size()) {
    const double total = static_cast<double>(frames.back().time_ns - frames.front().time_ns);
    return total > 0 ? total / 1e9 / static_cast<double>(frames.size() - 1) : 0;
  }
  const int64_t gap = frames[next_frame_].time_ns - frames[next_frame_ - 1].time_ns;
  return gap > 0 ? static_cast<double>(gap) / 1e9 : 0;
}

}  // namespace camsim
}  // namespace kelvara
