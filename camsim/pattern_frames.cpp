#include "camsim/pattern_frames.h"

#include "camera_facts/command_codes.h"
#include "camera_facts/format_table.h"
#include "camsim/pattern_scene.h"

namespace kelvara {
namespace camsim {

PatternFrames::PatternFrames() = default;

const unsigned char* PatternFrames::Frame(const CameraParameters& p, double) {
  const int index = FormatIndexOfCode(p.format_code);
  // The pattern frame depends only on the family and on what plane 0 holds.
  const int kind = IsAmplitudeOnlyFormat(index) ? 0 : IsPlaneFrameFormat(index) ? 1 : 2;
  std::vector<unsigned char>& f = frames_[kind];
  if (f.empty()) f = pattern::Frame(index);
  return f.data();
}

const unsigned char* PatternFrames::AngleTable() {
  if (angle_table_.empty()) angle_table_ = pattern::AngleTable();
  return angle_table_.data();
}

void PatternFrames::Temperatures(double, int16_t imager[4], int16_t* led) {
  for (int i = 0; i < 4; ++i) imager[i] = pattern::kImagerTemperatures[i];
  *led = pattern::kLedTemperature;
}

}  // namespace camsim
}  // namespace kelvara
