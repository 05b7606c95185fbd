#pragma once
// The scene of a replayed camera: the frames of a recording, in order, with
// the recorded version reply, angle table, parameters and temperatures.
// Only the recorded format can be set.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camsim/scene.h"
#include "recording/recording_reader.h"

namespace kelvara {
namespace camsim {

struct ReplayOptions {
  std::string path;
  bool loop = false;  // start again after the last frame
  // Negative: the recorded pacing; 0: as fast as asked; else frames per second.
  double fps = -1.0;
};

class ReplayScene : public Scene {
 public:
  // Opens and checks the recording. nullptr with the reason in *error when it
  // cannot be replayed; otherwise *summary describes what will be served.
  static std::unique_ptr<ReplayScene> Open(const ReplayOptions& options, std::string* error, std::string* summary);

  // The next frame of the recording, or nullptr once the last one has been
  // served (without --loop). The parameters and time do not change it.
  const unsigned char* Frame(const CameraParameters& p, double seconds) override;
  const unsigned char* AngleTable() override;
  // The temperatures recorded with the frame served last.
  void Temperatures(double seconds, int16_t imager[4], int16_t* led) override;
  std::vector<unsigned char> VersionPayload() const override;
  void StartParameters(CameraParameters* p) const override;
  bool AcceptsFormat(uint16_t code) const override { return code == reader_.header().format_code; }
  double NextFrameGap() const override;

  size_t frames_served() const { return served_; }

  // For a player that picks the frames itself: the recording, and a jump
  // so that the next Frame() serves frame `index` (0-based, below the
  // number of frames) with the temperatures recorded before it.
  const recording::RecordingReader& reader() const { return reader_; }
  void SeekFrame(size_t index);
  size_t next_frame() const { return next_frame_; }

 private:
  ReplayScene() = default;
  void TakeTemperatures(const recording::RecordEntry& entry);

  ReplayOptions options_;
  recording::RecordingReader reader_;
  std::vector<unsigned char> frame_;
  std::vector<unsigned char> angle_table_;
  size_t next_record_ = 0;  // index into reader_.records()
  size_t next_frame_ = 0;   // index into reader_.frames()
  size_t served_ = 0;
  bool ended_reported_ = false;
  int16_t temperatures_[5] = {0, 0, 0, 0, 0};
  std::vector<size_t> frame_records_;  // record index of each frame (SeekFrame)
};

}  // namespace camsim
}  // namespace kelvara
