// Writes the seed corpora of the fuzz targets from the pattern scene:
//   make_fuzz_seeds <folder>   ->  <folder>/<target>/<seed files>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "camera_facts/command_codes.h"
#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "recording/recording_writer.h"

namespace {

using namespace kelvara;
using Bytes = std::vector<unsigned char>;

bool Save(const std::string& folder, const std::string& name, const Bytes& bytes) {
  mkdir(folder.c_str(), 0777);
  std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void Append(Bytes* out, const Bytes& more) { out->insert(out->end(), more.begin(), more.end()); }

// A response: 0xFE, status, 32-bit big-endian length, payload.
Bytes Response(unsigned char status, const Bytes& payload) {
  const uint32_t n = static_cast<uint32_t>(payload.size());
  Bytes out = {0xFE,
               status,
               static_cast<unsigned char>(n >> 24),
               static_cast<unsigned char>(n >> 16),
               static_cast<unsigned char>(n >> 8),
               static_cast<unsigned char>(n)};
  Append(&out, payload);
  return out;
}

// A fuzz_replies input: command selector, then receive calls that each take
// a whole response.
Bytes Replies(unsigned char selector, const std::vector<Bytes>& responses) {
  Bytes out = {selector};
  for (const Bytes& r : responses) {
    out.push_back(r.size() < 255 ? static_cast<unsigned char>(r.size()) : 255);
    Append(&out, r);
  }
  return out;
}

// A fuzz_uart_framing input: capacity byte, line mode (bit 0: the camera
// hangs up after the stream rather than falling silent; bits 1-7: the chunk
// size it sends in, 0 for all at once), the stream.
Bytes Line(unsigned char capacity, unsigned char chunk, bool hang_up, const std::vector<Bytes>& parts) {
  Bytes out = {capacity, static_cast<unsigned char>(chunk << 1 | (hang_up ? 1 : 0))};
  for (const Bytes& p : parts) Append(&out, p);
  return out;
}

// A request: 0xFC, code, 16-bit big-endian length, payload.
Bytes Request(unsigned char code, const Bytes& payload = {}) {
  Bytes out = {0xFC, code, static_cast<unsigned char>(payload.size() >> 8),
               static_cast<unsigned char>(payload.size() & 0xFF)};
  Append(&out, payload);
  return out;
}

// A fuzz_requests input: the stream in chunks of 64 bytes.
Bytes Chunks(const Bytes& stream) {
  Bytes out;
  for (size_t at = 0; at < stream.size(); at += 64) {
    const size_t n = std::min<size_t>(64, stream.size() - at);
    out.push_back(static_cast<unsigned char>(n - 1));
    out.insert(out.end(), stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + n));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::string root = argv[1];
  mkdir(root.c_str(), 0777);
  bool ok = true;

  const std::string replies = root + "/fuzz_replies";
  ok &= Save(replies, "version", Replies(0, {Response(0, pattern::VersionPayload())}));
  ok &= Save(replies, "result", Replies(1, {Response(0, pattern::Frame(1))}));
  ok &= Save(replies, "format", Replies(2, {Response(0, {0x00, 0x01})}));
  ok &= Save(replies, "exposure", Replies(3, {Response(0, {0, 0, 0x03, 0x20, 0, 0, 0x01, 0xF4})}));
  ok &= Save(replies, "rotation", Replies(4, {Response(0, {0, 0, 0, 90, 0, 0})}));
  ok &= Save(replies, "angle_table", Replies(5, {Response(0, pattern::AngleTable())}));
  ok &= Save(replies, "speed", Replies(6, {Response(0, {0, 16, 0, 0})}));
  ok &= Save(replies, "imager_temp", Replies(7, {Response(0, {0, 1, 0, 2, 0, 3, 0, 4})}));
  ok &= Save(replies, "led_temp", Replies(8, {Response(0, {0, 40})}));
  ok &= Save(replies, "refused", Replies(0, {Response(1, {})}));
  ok &= Save(replies, "wrong_start", Replies(11, {Bytes{0xFD, 0, 0, 0, 0, 2, 1, 2}}));

  const std::string line = root + "/fuzz_uart_framing";
  const Bytes garbage = {0x00, 0x41, 0xFD, 0x13, 0x37, 0x00, 0x00, 0x00};
  const Bytes reply = Response(0, {1, 2, 3, 4, 5});
  Bytes cut = Response(0, Bytes(100, 0x33));
  cut.resize(16);  // the header announces 100 bytes, 10 arrive
  ok &= Save(line, "whole", Line(0x81, 0, true, {reply, Response(2, {})}));
  ok &= Save(line, "cut", Line(0x81, 3, false, {cut}));
  ok &= Save(line, "garbage_then_reply", Line(0x81, 0, true, {garbage, reply}));
  ok &= Save(line, "garbage_silent_line", Line(8, 5, false, {garbage, reply}));
  ok &= Save(line, "over_capacity", Line(16, 7, true, {Response(0, Bytes(40, 0x5A)), Response(0, {9, 8, 7})}));
  ok &= Save(line, "long_drain", Line(0x90, 0, false, {Response(0, Bytes(9000, 0xA5)), reply}));
  ok &= Save(line, "hang_up_in_header", Line(0x81, 1, true, {Bytes{0xFE, 0x00, 0x00}}));

  const std::string requests = root + "/fuzz_requests";
  const Bytes code = {kTemperatureAccessCode, kTemperatureAccessCode + 8};
  Bytes session;
  for (const Bytes& r :
       {Request(CMD_GET_VERSION), Request(CMD_SET_FORMAT, {0x00, 0x01}), Request(CMD_START_MEASUREMENT),
        Request(CMD_GET_RESULT), Request(CMD_GET_RESULT), Request(CMD_STOP_MEASUREMENT), Request(CMD_GET_ANGLE_TABLE),
        Request(CMD_SET_EXPOSURE, {0, 0, 0x03, 0x20, 0, 0, 0x01, 0xF4}),
        Request(CMD_SET_ROTATION, {0, 10, 0, 20, 0, 30}), Request(CMD_GET_IMAGER_TEMPERATURE, code),
        Request(CMD_SET_RESPONSE_SPEED, {0, 16, 0, 100})})
    Append(&session, r);
  ok &= Save(requests, "session", Chunks(session));
  // A table upload: begin (address, size), one block, end (CRC-32 of "abcd").
  Bytes upload;
  Append(&upload, Request(0xE0, {0x10, 0, 0, 0, 0, 0, 0, 4}));
  Append(&upload, Request(0xE1, {0, 0, 0, 0, 'a', 'b', 'c', 'd'}));
  Append(&upload, Request(0xE2, {0xED, 0x82, 0xCD, 0x11}));
  ok &= Save(requests, "upload", Chunks(upload));
  ok &= Save(requests, "garbage", Chunks({0x00, 0xFC, 0xFC, 0x00, 0x00, 0x00, 0xFE, 0xFC, 0x82, 0x00}));

  const std::string pipe = root + "/fuzz_pipe_message";
  const char* messages[] = {
      "1,/tmp/3d_data/angle.csv",  "2,/tmp/3d_data/data_0.bin", "3,0,12500", "4,2.0", "5,400,4600",
      "6,/tmp/3d_data/data_1.bin", "3,-5,99999999999"};
  for (int i = 0; i < 7; ++i) ok &= Save(pipe, "m" + std::to_string(i), Text(messages[i]));

  // Angle tables: the pattern's theta in degrees, whole and three columns wide.
  const std::string angles = root + "/fuzz_angle_table";
  std::string table, narrow;
  char field[32];
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) {
      std::snprintf(field, sizeof field, "%.3f%s", pattern::Theta(r, c) / 100.0, c < 319 ? "," : "\n");
      table += field;
      if (c < 3 && r < 12) {
        std::snprintf(field, sizeof field, "%.3f%s", pattern::Theta(r, c) / 100.0, c < 2 ? "," : "\n");
        narrow += field;
      }
    }
  ok &= Save(angles, "pattern", Text(table));
  ok &= Save(angles, "narrow", Text(narrow));

  const std::string profile = root + "/fuzz_profile";
  ok &= Save(profile, "kelvara_ini",
             Text("Logging=TotalNumberOfLogs\r\n[Connection]\r\nPort=3\r\n[Logging]\r\nTotalNumberOfLogs= -12x\r\n"
                  "[view]\r\nrangemax=+6250\r\n[3D]\r\nUpdateInterval=150\r\nDistanceRatio=1.0\r\n"));
  // The first byte picks the file: 0 a recording, 1 .. 3 a result frame, an
  // export ring file or a camera PCD (the rest cut or padded to its size).
  // A small recording (short frame records keep the inputs small), the same
  // cut inside its last record, as a power loss leaves it, and the start of
  // a point frame, its PCD header and first records.
  const std::string recordings = root + "/fuzz_recording";
  mkdir(recordings.c_str(), 0777);
  {
    recording::RecordingHeader header;
    header.format_code = kFormatCodes[5];
    header.replies.push_back({CMD_GET_VERSION, pattern::VersionPayload()});
    header.replies.push_back({CMD_GET_FORMAT, {0x00, 0x01}});
    recording::RecordingWriter writer;
    const Bytes frame(64, 0x5A);
    const unsigned char temperatures[10] = {1, 0, 2, 0, 3, 0, 4, 0, 40, 0};
    const Bytes point_frame = pattern::Frame(5);
    for (unsigned char kind = 1; kind <= 3; ++kind) {
      Bytes seed{kind};
      seed.insert(seed.end(), point_frame.begin(), point_frame.begin() + 400);
      ok &= Save(recordings, "frame_file_" + std::to_string(kind), seed);
    }
    ok &= writer.Open(recordings + "/small", header) &&
          writer.Append(recording::RecordKind::kFrame, 0, frame.data(), 64) &&
          writer.Append(recording::RecordKind::kTemperatures, 5, temperatures, sizeof temperatures) &&
          writer.Append(recording::RecordKind::kFrame, 50000000, frame.data(), 64) && writer.Close();
    if (std::FILE* f = std::fopen((recordings + "/small").c_str(), "rb")) {
      Bytes whole(4096);
      whole.resize(std::fread(whole.data(), 1, whole.size(), f));
      std::fclose(f);
      whole.insert(whole.begin(), 0);
      ok &= Save(recordings, "small", whole);
      if (whole.size() > 20) whole.resize(whole.size() - 20);
      ok &= Save(recordings, "cut", whole);
    }
  }
  if (!ok) {
    std::fprintf(stderr, "make_fuzz_seeds: cannot write to %s\n", root.c_str());
    return 1;
  }
  return 0;
}
