// The recording file: what is written reads back, and a file cut or damaged
// anywhere reads up to its last whole record.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "recording/crc32.h"
#include "recording/recording_reader.h"
#include "recording/recording_writer.h"
#include "testing/temp_folder.h"
#include "testing/test_files.h"

namespace kelvara {
namespace recording {
namespace {

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    path_ = folder_.Path("r.kvrec");
  }

  static RecordingHeader Header() {
    RecordingHeader h;
    h.format_code = 0x0101;
    h.start_unix_ns = 1765000000123456789LL;
    h.replies.push_back({0x00, {'S', 'I', 'M', '-', '0', 1, 0, 5, 0, 0, 0, 42}});
    h.replies.push_back({0x85, {0x01, 0x01}});
    h.replies.push_back({0x94, std::vector<unsigned char>(307200, 0xA5)});
    return h;
  }
  // Payload k: `size` bytes that differ from record to record.
  static std::vector<unsigned char> Payload(int k, size_t size) {
    std::vector<unsigned char> p(size);
    for (size_t i = 0; i < size; ++i) p[i] = static_cast<unsigned char>(k * 31 + i * 7);
    return p;
  }
  // Writes `sizes.size()` frame records; returns the file offsets where each
  // record ends.
  std::vector<uint64_t> WriteFrames(const std::vector<size_t>& sizes) {
    RecordingWriter w;
    EXPECT_TRUE(w.Open(path_, Header())) << w.error();
    std::vector<uint64_t> ends;
    uint64_t end = EncodeHeader(Header()).size();
    for (size_t k = 0; k < sizes.size(); ++k) {
      const auto p = Payload(static_cast<int>(k), sizes[k]);
      EXPECT_TRUE(
          w.Append(RecordKind::kFrame, 1000 * static_cast<int64_t>(k), p.data(), static_cast<uint32_t>(p.size())));
      end += kRecordHeadBytes + sizes[k] + kChecksumBytes;
      ends.push_back(end);
    }
    EXPECT_TRUE(w.Close()) << w.error();
    return ends;
  }

  kelvara::testing::TempFolder folder_{"kelvara-recording"};
  std::string dir_, path_;
};

TEST(Crc32Test, MatchesTheIeeeCheckValue) {
  const char text[] = "123456789";
  EXPECT_EQ(Crc32(0, text, 9), 0xCBF43926u);
  // Continued over two pieces, as the writer does for head and payload.
  EXPECT_EQ(Crc32(Crc32(0, text, 4), text + 4, 5), 0xCBF43926u);
  // An empty payload (no buffer at all) leaves the sum as it was.
  EXPECT_EQ(Crc32(Crc32(0, text, 9), nullptr, 0), 0xCBF43926u);
}

TEST_F(RecordingTest, HeaderAndRecordsReadBackAsWritten) {
  RecordingWriter w;
  ASSERT_TRUE(w.Open(path_, Header())) << w.error();
  const auto frame = Payload(1, 614656);
  const unsigned char temps[kTemperaturePayloadBytes] = {94, 1, 96, 1, 98, 1, 100, 1, 44, 1};
  ASSERT_TRUE(w.Append(RecordKind::kTemperatures, 5, temps, sizeof temps));
  ASSERT_TRUE(w.Append(RecordKind::kFrame, 7000000, frame.data(), static_cast<uint32_t>(frame.size())));
  ASSERT_TRUE(w.Append(RecordKind::kFrame, -1, nullptr, 0));
  ASSERT_TRUE(w.Close());

  RecordingReader r;
  ASSERT_TRUE(r.Open(path_)) << r.error();
  EXPECT_EQ(r.header().format_code, 0x0101);
  EXPECT_EQ(r.header().start_unix_ns, 1765000000123456789LL);
  ASSERT_EQ(r.header().replies.size(), 3u);
  EXPECT_EQ(r.header().Find(0x00)->payload, Header().replies[0].payload);
  EXPECT_EQ(r.header().Find(0x94)->payload.size(), 307200u);
  EXPECT_EQ(r.header().Find(0x86), nullptr);
  EXPECT_EQ(r.trailing_bytes(), 0u);
  ASSERT_EQ(r.records().size(), 3u);
  ASSERT_EQ(r.frames().size(), 2u);
  EXPECT_EQ(r.records()[0].kind, RecordKind::kTemperatures);
  EXPECT_EQ(r.frames()[0].time_ns, 7000000);
  EXPECT_EQ(r.frames()[1].time_ns, -1);
  EXPECT_EQ(r.frames()[1].payload_size, 0u);
  std::vector<unsigned char> back(frame.size());
  ASSERT_TRUE(r.ReadPayload(r.frames()[0], back.data()));
  EXPECT_EQ(back, frame);
}

TEST_F(RecordingTest, ACutAtAnyByteKeepsEveryWholeRecord) {
  std::vector<size_t> sizes;
  for (int k = 0; k < 20; ++k) sizes.push_back(100 + 37 * k);
  const std::vector<uint64_t> ends = WriteFrames(sizes);
  const std::string whole = kelvara::testing::ReadFile(path_);
  const uint64_t header_end = EncodeHeader(Header()).size();

  std::mt19937_64 random(14);
  std::vector<uint64_t> cuts = {header_end, ends[0] - 1, ends[0], ends[0] + 1, ends.back() - 1};
  for (int i = 0; i < 200; ++i) cuts.push_back(header_end + random() % (whole.size() - header_end));
  for (uint64_t cut : cuts) {
    ASSERT_EQ(truncate(path_.c_str(), static_cast<off_t>(cut)), 0);
    size_t whole_records = 0;
    while (whole_records < ends.size() && ends[whole_records] <= cut) ++whole_records;
    RecordingReader r;
    ASSERT_TRUE(r.Open(path_)) << r.error();
    ASSERT_EQ(r.frames().size(), whole_records) << "cut at " << cut;
    EXPECT_EQ(r.trailing_bytes(), cut - (whole_records ? ends[whole_records - 1] : header_end));
    if (whole_records > 0) {
      const RecordEntry& last = r.frames().back();
      std::vector<unsigned char> back(last.payload_size);
      ASSERT_TRUE(r.ReadPayload(last, back.data()));
      EXPECT_EQ(back, Payload(static_cast<int>(whole_records - 1), sizes[whole_records - 1]));
    }
    std::ofstream(path_, std::ios::binary) << whole;  // whole again for the next cut
  }
}

TEST_F(RecordingTest, ADamagedRecordEndsTheReadingThere) {
  const std::vector<uint64_t> ends = WriteFrames({500, 500, 500, 500});
  // Cases: a payload byte of record 2, its length field, its kind, its checksum.
  const std::vector<uint64_t> spots = {ends[1] + 16 + 250, ends[1] + 1, ends[1] + 4, ends[2] - 1};
  for (uint64_t spot : spots) {
    std::fstream f(path_, std::ios::binary | std::ios::in | std::ios::out);
    f.seekg(static_cast<std::streamoff>(spot));
    const char old = static_cast<char>(f.get());
    f.seekp(static_cast<std::streamoff>(spot));
    f.put(static_cast<char>(old ^ 0x40));
    f.flush();
    RecordingReader r;
    ASSERT_TRUE(r.Open(path_)) << r.error();
    EXPECT_EQ(r.frames().size(), 2u) << "damage at " << spot;
    EXPECT_EQ(r.trailing_bytes(), ends[3] - ends[1]);
    f.seekp(static_cast<std::streamoff>(spot));
    f.put(old);
  }
}

TEST_F(RecordingTest, FilesThatAreNoRecordingAreRefused) {
  WriteFrames({10});
  const std::string whole = kelvara::testing::ReadFile(path_);
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string other_version = whole;
  other_version[8] = 2;
  std::string damaged_header = whole;
  damaged_header[20] ^= 1;
  const std::vector<Case> cases = {
      {"empty", ""},
      {"a text file", "# .PCD v0.7 - Point Cloud Data\nVERSION 0.7\n"},
      {"another layout version", other_version},
      {"a damaged header", damaged_header},
      {"a header cut short", whole.substr(0, 100)},
  };
  for (const Case& c : cases) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << c.bytes;
    RecordingReader r;
    EXPECT_FALSE(r.Open(path_)) << c.what;
    EXPECT_FALSE(r.error().empty()) << c.what;
  }
  RecordingReader r;
  EXPECT_FALSE(r.Open(dir_ + "/missing.kvrec"));
}

// Anything but a regular file is refused before a byte is read, and a pipe
// without a writer does not hold the reader up.
TEST_F(RecordingTest, NonRegularFilesAreRefusedBeforeTheyAreRead) {
  const std::string fifo = dir_ + "/fifo.kvrec";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {dir_, fifo, std::string("/dev/zero")}) {
    RecordingReader r;
    EXPECT_FALSE(r.Open(path)) << path;
    EXPECT_NE(r.error().find("not a regular file"), std::string::npos) << r.error();
  }
  for (const std::string& path : {dir_, fifo}) {
    RecordingWriter w;
    EXPECT_FALSE(w.Open(path, Header())) << path;
    EXPECT_NE(w.error().find("not a regular file"), std::string::npos) << w.error();
  }
}

// A recording that is being replayed or recorded is not emptied by a second
// recording into the same file; once the first lets go, it may be.
TEST_F(RecordingTest, AFileInUseIsNotEmptiedByAnotherRecording) {
  WriteFrames({10, 20});
  const std::string before = kelvara::testing::ReadFile(path_);
  {
    RecordingReader replay;
    ASSERT_TRUE(replay.Open(path_)) << replay.error();
    RecordingWriter w;
    EXPECT_FALSE(w.Open(path_, Header()));
    EXPECT_NE(w.error().find("in use by another program"), std::string::npos) << w.error();
    EXPECT_EQ(kelvara::testing::ReadFile(path_), before);
  }
  RecordingWriter first, second;
  ASSERT_TRUE(first.Open(path_, Header())) << first.error();
  EXPECT_FALSE(second.Open(path_, Header()));
  EXPECT_TRUE(first.Close());
  EXPECT_EQ(kelvara::testing::ReadFile(path_),
            std::string(reinterpret_cast<const char*>(EncodeHeader(Header()).data()), EncodeHeader(Header()).size()));
}

TEST_F(RecordingTest, AWriteFailureIsReportedAndSticks) {
  RecordingWriter w;
  EXPECT_FALSE(w.Open(dir_ + "/no/such/folder/r.kvrec", Header()));
  EXPECT_FALSE(w.error().empty());
  // /dev/full accepts the open and fails every write.
  RecordingWriter full;
  EXPECT_FALSE(full.Open("/dev/full", Header()));
  EXPECT_NE(full.error().find("/dev/full"), std::string::npos);
  const unsigned char byte = 0;
  EXPECT_FALSE(full.Append(RecordKind::kFrame, 0, &byte, 1));
  EXPECT_FALSE(full.Close());
}

}  // namespace
}  // namespace recording
}  // namespace kelvara
