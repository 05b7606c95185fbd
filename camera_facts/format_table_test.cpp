// The format table's own rules: what the rows must agree on among themselves.
#include "camera_facts/format_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "camera_facts/command_codes.h"

namespace kelvara {
namespace {

TEST(FormatTableTest, CodesAndNamesAreUniqueAndFoundAgain) {
  std::set<uint16_t> codes;
  std::set<std::string> names;
  for (int i = 0; i < kFormatCount; ++i) {
    codes.insert(kFormats[i].code);
    names.insert(kFormats[i].name);
    EXPECT_EQ(FormatIndexOfCode(kFormats[i].code), i);
    EXPECT_EQ(kFormatCodes[i], kFormats[i].code);
    EXPECT_STREQ(kFormatNames[i], kFormats[i].name);
  }
  EXPECT_EQ(codes.size(), static_cast<size_t>(kFormatCount));
  EXPECT_EQ(names.size(), static_cast<size_t>(kFormatCount));
  EXPECT_EQ(FormatIndexOfCode(0x1234), -1);
  EXPECT_EQ(FormatAt(-1), nullptr);
  EXPECT_EQ(FormatAt(kFormatCount), nullptr);
}

// Each row must describe a frame the camera can send: the log files follow
// the family, the amplitude image needs an amplitude plane, and only polar
// distances end a run with the angle logs.
TEST(FormatTableTest, EveryRowIsConsistentWithItsFrameFamily) {
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    const FormatFacts& f = kFormats[i];
    const bool plane = f.family == FrameFamily::kPlane;
    EXPECT_EQ(f.logs.png, plane);
    EXPECT_EQ(f.logs.plane_csv, plane);
    EXPECT_EQ(f.logs.raw, plane);
    EXPECT_EQ(f.logs.pcd, !plane);
    EXPECT_EQ(f.logs.xyz_csv, !plane);
    EXPECT_EQ(f.logs.angle_logs, f.polar);
    EXPECT_TRUE(!f.polar || plane);
    EXPECT_TRUE(!f.rotated || !plane);
    EXPECT_TRUE(f.images == 1 || f.images == 2);
    // A second image is the amplitude image, logged as "_amp_".
    EXPECT_EQ(f.images == 2, f.logs.amp_csv);
    if (f.images == 2) {
      EXPECT_EQ(f.amplitude_offset, plane ? kPlane1Offset : kPointAmplitudeOffset);
    }
    if (f.first_plane == FirstPlane::kAmplitude) {
      EXPECT_TRUE(plane);
      EXPECT_EQ(f.amplitude_offset, 0);
    }
    if (f.amplitude_offset >= 0) {
      EXPECT_LE(f.amplitude_offset + kPlaneBytes, kMeasurementFrameBytes);
    }
  }
}

TEST(FormatTableTest, UnknownIndicesAndCodesHaveNoFeatures) {
  for (int index : {-1, kFormatCount}) {
    EXPECT_FALSE(IsPlaneFrameFormat(index));
    EXPECT_TRUE(IsPointFrameFormat(index));
    EXPECT_FALSE(IsPolarFormat(index));
    EXPECT_FALSE(IsRotatedFormatIndex(index));
    EXPECT_FALSE(IsAmplitudeOnlyFormat(index));
    EXPECT_EQ(ImageCountOfFormat(index), 1);
    const FormatLogs logs = LogsOfFormat(index);
    EXPECT_FALSE(logs.png || logs.plane_csv || logs.raw || logs.pcd || logs.xyz_csv || logs.amp_csv || logs.angle_logs);
  }
  EXPECT_FALSE(IsRotatedFormatCode(0x0202));
  EXPECT_TRUE(IsRotatedFormatCode(0x0002));
  EXPECT_TRUE(IsRotatedFormatCode(0x0102));
}

TEST(FrameGeometryTest, OffsetsFitTheResultFrame) {
  static_assert(kPlaneBytes == 153600, "one plane");
  static_assert(kPcdFileBytes == 460970, "PCD file");
  static_assert(kPointAmplitudeOffset + kPlaneBytes <= kMeasurementFrameBytes, "amplitude sent");
  static_assert(kPcdFileBytes <= kExportFrameBytes, "points exported");
  static_assert(kExportFrameBytes <= kMeasurementFrameBytes, "export is a prefix");
  static_assert(kCentrePixel == 38239, "centre pixel");
  static_assert(kThetaPhiTableBytes == 307200, "angle table reply");
  SUCCEED();
}

}  // namespace
}  // namespace kelvara
