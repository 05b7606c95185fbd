#pragma once
// What the simulated camera sees: result frames, its angle table and its
// temperatures. One scene per simulator run ("pattern" or "room").
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camsim/camera_parameters.h"

namespace kelvara {
namespace camsim {

class Scene {
 public:
  virtual ~Scene() = default;
  // The 614656-byte result frame for the current parameters (format,
  // rotations, exposure, amplitude minimums) at `seconds` since the start.
  // Valid until the next call.
  virtual const unsigned char* Frame(const CameraParameters& p, double seconds) = 0;
  // The 307200-byte angle-table reply.
  virtual const unsigned char* AngleTable() = 0;
  // Chip temperatures (upper-left, upper-right, lower-left, lower-right) and
  // the LED temperature, tenths of a degree Celsius.
  virtual void Temperatures(double seconds, int16_t imager[4], int16_t* led) = 0;

  // What a replayed camera needs beyond a live scene; a live scene keeps
  // these defaults.
  // The payload of the version reply.
  virtual std::vector<unsigned char> VersionPayload() const;
  // Sets the parameters the camera starts with (default: power-on values).
  virtual void StartParameters(CameraParameters* /*p*/) const {}
  // False for a format code the scene cannot deliver: the set is refused.
  virtual bool AcceptsFormat(uint16_t /*code*/) const { return true; }
  // Seconds the next frame follows the previous one when the scene paces
  // its own frames (the frame rate limiter is then not applied), or a
  // negative value when the limiter decides.
  virtual double NextFrameGap() const { return -1.0; }
};

// "pattern" or "room"; nullptr for another name. `seed` feeds the noise;
// a warm-up time constant above 0 makes the room's camera warm up.
std::unique_ptr<Scene> MakeScene(const std::string& name, uint64_t seed, double warm_up_minutes = 0);

}  // namespace camsim
}  // namespace kelvara
