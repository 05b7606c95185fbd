// A recording file (kelvara-capture --record) as the simulator's replay and
// the exporter read it: the header, the record index, every payload, and
// the point frames the exporter takes from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_file_input.h"
#include "point_frame.h"
#include "recording_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = kelvara::fuzzing::FileWith(data, size);
  kelvara::recording::RecordingReader reader;
  if (reader.Open(path)) {
    std::vector<unsigned char> payload;
    for (const auto& entry : reader.records()) {
      payload.resize(entry.payload_size);
      reader.ReadPayload(entry, payload.data());
    }
  }
  std::vector<kelvara::cloud::PointFrame> frames;
  std::string error, note;
  kelvara::cloud::ReadPointFrames(path, -1, &frames, &error, &note);
  return 0;
}
