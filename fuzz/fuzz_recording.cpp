// A recording file (kelvara-capture --record) as the simulator's replay and
// the exporter read it: the header, the record index, every payload, and
// the point frames the exporter takes from it. The first byte also makes
// the input one of the exporter's single-frame files (a result frame, an
// export ring file, a camera PCD), cut or padded with zeros to its size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "export/point_frame.h"
#include "fuzz/fuzz_file_input.h"
#include "recording/recording_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const size_t kFrameFileSizes[] = {kelvara::kMeasurementFrameBytes, kelvara::kExportFrameBytes,
                                           kelvara::kPcdFileBytes};
  const unsigned kind = data[0] % 4;
  std::string path;
  if (kind == 0) {
    path = kelvara::fuzzing::FileWith(data + 1, size - 1);
  } else {
    std::vector<uint8_t> file(data + 1, data + size);
    file.resize(kFrameFileSizes[kind - 1], 0);
    path = kelvara::fuzzing::FileWith(file.data(), file.size());
  }
  kelvara::recording::RecordingReader reader;
  if (reader.Open(path)) {
    std::vector<unsigned char> payload;
    for (const auto& entry : reader.records()) {
      payload.resize(entry.payload_size);
      reader.ReadPayload(entry, payload.data());
    }
  }
  kelvara::cloud::PointFrameSource source;
  std::string error;
  if (source.Open(path, -1, &error)) {
    kelvara::cloud::PointFrame frame;
    for (int k = 0; k < source.count(); ++k) source.Read(k, &frame, &error);
  }
  return 0;
}
