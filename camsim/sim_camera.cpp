#include "camsim/sim_camera.h"

#include <algorithm>
#include <cstring>

#include "camera_facts/command_codes.h"
#include "camera_facts/exposure_range.h"
#include "camsim/pattern_scene.h"
#include "updater/upload_protocol.h"

namespace kelvara {
namespace camsim {
namespace {

int Signed16(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>((p[0] << 8) | p[1])); }
void Put16(std::vector<unsigned char>* out, int v) {
  out->push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
  out->push_back(static_cast<unsigned char>(v & 0xFF));
}
bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

SimCamera::SimCamera(Scene& scene, Clock::time_point start) : scene_(scene), start_(start) {
  scene_.StartParameters(&params_);
}

Reply SimCamera::Handle(const Request& r, Clock::time_point now) {
  Reply reply;
  reply.send_at = now;
  reply.data_size_kb = params_.data_size_kb;
  reply.interval_us = params_.interval_us;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  switch (r.code) {
    case CMD_GET_VERSION: reply.payload = scene_.VersionPayload(); break;
    case CMD_START_MEASUREMENT:
      if (!measuring_) frame_sent_ = false;
      measuring_ = true;
      break;
    case CMD_STOP_MEASUREMENT: measuring_ = false; break;
    case CMD_GET_RESULT: return Result(now);
    case CMD_GET_ANGLE_TABLE:
      reply.bulk = scene_.AngleTable();
      reply.bulk_size = kThetaPhiTableBytes;
      break;
    case CMD_GET_IMAGER_TEMPERATURE:
    case CMD_GET_LED_TEMPERATURE: {
      if (r.payload.size() != sizeof kTemperatureAccessCode ||
          std::memcmp(r.payload.data(), kTemperatureAccessCode, sizeof kTemperatureAccessCode) != 0) {
        reply.status = kStatusAccessDenied;
        break;
      }
      int16_t imager[4], led = 0;
      scene_.Temperatures(seconds, imager, &led);
      if (r.code == CMD_GET_LED_TEMPERATURE) {
        Put16(&reply.payload, led);
      } else {
        for (int16_t t : imager) Put16(&reply.payload, t);
      }
      break;
    }
    case upload::kBegin: reply.status = table_.Begin(r.payload.data(), r.payload.size()); break;
    case upload::kBlock: reply.status = table_.Block(r.payload.data(), r.payload.size()); break;
    case upload::kEnd: reply.status = table_.End(r.payload.data(), r.payload.size()); break;
    default:
      if (!Get(r.code, &reply.payload)) reply.status = Set(r);
      break;
  }
  return reply;
}

Reply SimCamera::Result(Clock::time_point now) {
  Reply reply;
  reply.send_at = now;
  reply.data_size_kb = params_.data_size_kb;
  reply.interval_us = params_.interval_us;
  if (!measuring_) {
    reply.status = kStatusNotMeasuring;
    return reply;
  }
  const double scene_gap = scene_.NextFrameGap();
  const double gap = scene_gap >= 0 ? scene_gap : params_.frame_rate_limit > 0 ? 1.0 / params_.frame_rate_limit : 0;
  if (gap > 0 && frame_sent_) {
    const auto ready = last_frame_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(gap));
    if (ready - now > kLongestFrameWait) {
      reply.send_at = now + kLateFrameDelay;
    } else {
      reply.send_at = std::max(now, ready);
    }
  }
  const double seconds = std::chrono::duration<double>(reply.send_at - start_).count();
  reply.bulk = scene_.Frame(params_, seconds);
  if (reply.bulk == nullptr) {
    // A replayed camera whose recording has ended delivers no more frames.
    reply.status = kStatusNotMeasuring;
    reply.send_at = now;
    return reply;
  }
  frame_sent_ = true;
  last_frame_ = reply.send_at;
  reply.bulk_size = kMeasurementFrameBytes;
  reply.is_frame = true;
  return reply;
}

bool SimCamera::Get(uint8_t code, std::vector<unsigned char>* out) const {
  const CameraParameters& p = params_;
  switch (code) {
    case CMD_GET_FORMAT: Put16(out, p.format_code); return true;
    case CMD_GET_MODE: out->push_back(static_cast<unsigned char>(p.mode)); return true;
    case CMD_GET_EXPOSURE:
      Put16(out, p.exposure_us);
      out->insert(out->end(), p.exposure_reserved, p.exposure_reserved + 4);
      out->push_back(static_cast<unsigned char>(p.frame_rate_limit));
      return true;
    case CMD_GET_ROTATION:
      for (int a : p.rotation) Put16(out, a);
      return true;
    case CMD_GET_LED_FREQ_ID: out->push_back(static_cast<unsigned char>(p.led_freq_id)); return true;
    case CMD_GET_AMP_MIN_ALL: out->push_back(static_cast<unsigned char>(p.amp_min_all)); return true;
    case CMD_GET_AMP_MIN_NEAR: out->push_back(static_cast<unsigned char>(p.amp_min_near)); return true;
    case CMD_GET_PILOT_LED: out->push_back(static_cast<unsigned char>(p.pilot_led)); return true;
    case CMD_GET_RESPONSE_SPEED:
      out->push_back(static_cast<unsigned char>(p.data_size_kb));
      Put16(out, p.interval_us);
      return true;
    case CMD_GET_ENR_THRESHOLD: Put16(out, p.enr_threshold); return true;
    default: return false;
  }
}

uint8_t SimCamera::Set(const Request& r) {
  const std::vector<unsigned char>& b = r.payload;
  const size_t n = b.size();
  CameraParameters& p = params_;
  // Each case checks the length and every field first and changes nothing
  // unless all of them are accepted.
  switch (r.code) {
    case CMD_SET_FORMAT: {
      if (n != 2) return kStatusRefused;
      const uint16_t code = static_cast<uint16_t>((b[0] << 8) | b[1]);
      if (FormatIndexOfCode(code) < 0 || !scene_.AcceptsFormat(code)) return kStatusRefused;
      p.format_code = code;
      return kStatusOk;
    }
    case CMD_SET_MODE:
      if (n != 1 || b[0] > 1) return kStatusRefused;
      p.mode = b[0];
      // The exposure follows into the new mode's range.
      p.exposure_us = std::clamp(p.exposure_us, kExposureMinUs[p.mode], kExposureMaxUs[p.mode]);
      return kStatusOk;
    case CMD_SET_EXPOSURE: {
      if (n != 7) return kStatusRefused;
      const int exposure = Signed16(b.data());
      if (!InRange(exposure, kExposureMinUs[p.mode], kExposureMaxUs[p.mode]) || b[6] > 20) return kStatusRefused;
      p.exposure_us = exposure;
      std::memcpy(p.exposure_reserved, b.data() + 2, 4);
      p.frame_rate_limit = b[6];
      return kStatusOk;
    }
    case CMD_SET_ROTATION: {
      if (n != 6) return kStatusRefused;
      int a[3];
      for (int k = 0; k < 3; ++k) {
        a[k] = Signed16(b.data() + 2 * k);
        if (!InRange(a[k], 0, 359)) return kStatusRefused;
      }
      std::copy(a, a + 3, p.rotation);
      return kStatusOk;
    }
    case CMD_SET_LED_FREQ_ID:
      if (n != 1 || b[0] > 16) return kStatusRefused;
      p.led_freq_id = b[0];
      return kStatusOk;
    case CMD_SET_AMP_MIN_ALL:
    case CMD_SET_AMP_MIN_NEAR:
      if (n != 1 || b[0] > 200) return kStatusRefused;
      (r.code == CMD_SET_AMP_MIN_ALL ? p.amp_min_all : p.amp_min_near) = b[0];
      return kStatusOk;
    case CMD_SET_PILOT_LED:
      if (n != 1 || b[0] > 1) return kStatusRefused;
      p.pilot_led = b[0];
      return kStatusOk;
    case CMD_SET_RESPONSE_SPEED: {
      if (n != 3) return kStatusRefused;
      const int size = b[0];
      const int interval = Signed16(b.data() + 1);
      if ((size != 1 && size != 2 && size != 4 && size != 8 && size != 16) || !InRange(interval, 0, 10000))
        return kStatusRefused;
      p.data_size_kb = size;
      p.interval_us = interval;
      return kStatusOk;
    }
    case CMD_SET_ENR_THRESHOLD: {
      if (n != 2) return kStatusRefused;
      const int v = Signed16(b.data());
      if (!InRange(v, 0, 12499)) return kStatusRefused;
      p.enr_threshold = v;
      return kStatusOk;
    }
    default: return kStatusUnknownCommand;
  }
}

}  // namespace camsim
}  // namespace kelvara
