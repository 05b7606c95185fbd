// The recorder's own thread writes every record, in order, also when the
// loop appends faster than the file takes them.
#include "record/background_recorder.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "recording/recording_reader.h"

namespace kelvara {
namespace {

TEST(BackgroundRecorderTest, EveryRecordInOrderWithFewBuffers) {
  char name[] = "/tmp/kelvara-background-XXXXXX";
  const int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  recording::RecordingWriter writer;
  ASSERT_TRUE(writer.Open(name, recording::RecordingHeader{}));
  {
    BackgroundRecorder recorder(writer, 2);
    std::vector<unsigned char> payload(100000);
    for (int k = 0; k < 60; ++k) {
      payload.assign(100000 + k, static_cast<unsigned char>(k));
      const auto kind = k % 5 == 4 ? recording::RecordKind::kTemperatures : recording::RecordKind::kFrame;
      recorder.Append(kind, k, payload.data(), payload.size());
    }
    recorder.Finish();
  }
  ASSERT_TRUE(writer.Close()) << writer.error();

  recording::RecordingReader reader;
  ASSERT_TRUE(reader.Open(name)) << reader.error();
  ASSERT_EQ(reader.records().size(), 60u);
  EXPECT_EQ(reader.frames().size(), 48u);
  std::vector<unsigned char> back;
  for (int k = 0; k < 60; ++k) {
    const recording::RecordEntry& e = reader.records()[k];
    EXPECT_EQ(e.time_ns, k);
    ASSERT_EQ(e.payload_size, 100000u + k);
    back.resize(e.payload_size);
    ASSERT_TRUE(reader.ReadPayload(e, back.data()));
    EXPECT_EQ(back.front(), k);
    EXPECT_EQ(back.back(), k);
  }
  std::remove(name);
}

}  // namespace
}  // namespace kelvara
