// Frame decoding against the pattern scene, whose every word is known.
#include "frame/frame_decode.h"
#include "frame/testing/integer_sqrt_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camsim/pattern_scene.h"

namespace kelvara {
namespace {

// What plane 0 must hold at (r, c) for a format index.
int16_t ExpectedPlane0(int format_index, int r, int c) {
  if (format_index == 0) return pattern::Amplitude(r, c);
  if (IsPlaneFrameFormat(format_index)) return pattern::Distance(r, c);
  const pattern::Point p = pattern::PointAt(r, c);
  if (p.x < -12499 || p.x > 12499) return p.x;
  const int64_t sum = int64_t{p.x} * p.x + int64_t{p.y} * p.y + int64_t{p.z} * p.z;
  return static_cast<int16_t>(IntegerSqrtReference(sum));
}

class DecodeEveryFormat : public testing::TestWithParam<int> {};

TEST_P(DecodeEveryFormat, PlanesMatchThePatternScene) {
  const int format = GetParam();
  const std::vector<unsigned char> frame = pattern::Frame(format);
  FrameDecoder decoder;
  DisplayPlanes planes;
  ASSERT_TRUE(decoder.DecodeFrame(format, frame.data(), frame.size(), &planes));

  // Plane frames are shown straight from the frame's bytes, without a copy.
  EXPECT_EQ(IsPlaneFrameFormat(format), planes.bytes == frame.data());
  int mismatches = 0;
  for (int r = 0; r < kFrameHeight; ++r)
    for (int c = 0; c < kFrameWidth; ++c) {
      const int i = r * kFrameWidth + c;
      if (planes.Sample(0, i) != ExpectedPlane0(format, r, c) || planes.Sample(1, i) != pattern::Amplitude(r, c))
        ++mismatches;
    }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(planes.CentreValue(), ExpectedPlane0(format, 119, 159));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DecodeEveryFormat, testing::Range(0, 7));

TEST(DecodeFrame, SpecialPointRecordsOfRowFive) {
  // Row 5 of the pattern: codes pass through, x = +-12500 is a code too,
  // +-12499 and (3, 4, 0) are points.
  const int16_t expected[8] = {30000, 31000, 32000, 12500, -12500, 12499, 12499, 5};
  const std::vector<unsigned char> frame = pattern::Frame(5);
  FrameDecoder decoder;
  DisplayPlanes planes;
  ASSERT_TRUE(decoder.DecodeFrame(5, frame.data(), frame.size(), &planes));
  for (int c = 0; c < 8; ++c) EXPECT_EQ(planes.Sample(0, 5 * 320 + c), expected[c]) << "column " << c;
}

TEST(DecodeFrame, RefusesRepliesShorterThanAFrame) {
  // The buffer holds only what arrived, so a sanitizer build also catches
  // any read beyond it.
  for (const int format : {1, 4, 5}) {
    for (const std::size_t received :
         {std::size_t{0}, std::size_t{1000}, std::size_t{307200}, std::size_t{kMeasurementFrameBytes - 1}}) {
      std::vector<unsigned char> reply(received + 1);
      FrameDecoder decoder;
      const unsigned char sentinel = 0xAB;
      DisplayPlanes planes{&sentinel};
      EXPECT_FALSE(decoder.DecodeFrame(format, reply.data(), received, &planes))
          << "format " << format << ", " << received << " bytes";
      EXPECT_EQ(planes.bytes, &sentinel);
    }
  }
  FrameDecoder decoder;
  DisplayPlanes planes;
  EXPECT_FALSE(decoder.DecodeFrame(1, nullptr, kMeasurementFrameBytes, &planes));
}

TEST(DecodeFrame, AcceptsALongerReplyAndReadsOnlyTheFrame) {
  std::vector<unsigned char> reply(kMeasurementFrameBytes + 100, 0xFF);
  pattern::FillFrame(6, reply.data());
  FrameDecoder decoder;
  DisplayPlanes planes;
  ASSERT_TRUE(decoder.DecodeFrame(6, reply.data(), reply.size(), &planes));
  EXPECT_EQ(planes.CentreValue(), ExpectedPlane0(6, 119, 159));
}

TEST(DecodeFrame, ReusesItsWorkingBufferAcrossFrames) {
  // One decoder serves a whole run: the second point frame replaces the first.
  std::vector<unsigned char> frame = pattern::Frame(5);
  FrameDecoder decoder;
  DisplayPlanes first, second;
  ASSERT_TRUE(decoder.DecodeFrame(5, frame.data(), frame.size(), &first));
  // Centre record (x, y, z) = (3, 4, 0) in the second frame.
  unsigned char* centre = frame.data() + 170 + 6 * kCentrePixel;
  const unsigned char record[6] = {3, 0, 4, 0, 0, 0};
  std::copy(record, record + 6, centre);
  ASSERT_TRUE(decoder.DecodeFrame(5, frame.data(), frame.size(), &second));
  EXPECT_EQ(first.bytes, second.bytes);
  EXPECT_EQ(second.CentreValue(), 5);
}

}  // namespace
}  // namespace kelvara

namespace kelvara {
namespace {

TEST(PointRecordAt, ReadsTheRecordOfAPixelOfAPointFrame) {
  const std::vector<unsigned char> plane = pattern::Frame(1), point = pattern::Frame(5);
  const struct {
    const std::vector<unsigned char>* frame;
    int format, index;
    size_t size;
    bool found;
    pattern::Point expected;
  } cases[] = {
      {&point, 5, 100 * kFrameWidth + 50, point.size(), true, pattern::PointAt(100, 50)},
      {&point, 5, 5 * kFrameWidth + 0, point.size(), true, pattern::PointAt(5, 0)},
      {&point, 5, kPixelCount - 1, point.size(), true, pattern::PointAt(239, 319)},
      {&point, 5, kPixelCount - 1, kPcdFileBytes, true, pattern::PointAt(239, 319)},
      {&point, 5, kPixelCount - 1, kPcdFileBytes - 1, false, {}},
      {&point, 5, kPixelCount, point.size(), false, {}},
      {&point, 5, -1, point.size(), false, {}},
      {&plane, 1, 100, plane.size(), false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    PointRecord p{1, 2, 3};
    ASSERT_EQ(PointRecordAt(c.format, c.frame->data(), c.size, c.index, &p), c.found);
    if (!c.found) continue;
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
    EXPECT_EQ(p.z, c.expected.z);
  }
}

}  // namespace
}  // namespace kelvara
