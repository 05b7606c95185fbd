// Holds every part that depends on the output format to the format table:
// for each row, what the part does must be what the row says.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "camera_facts/format_table.h"
#include "camera_facts/frame_geometry.h"
#include "camera_facts/viewer_commands.h"
#include "camsim/camera_parameters.h"
#include "camsim/pattern_frames.h"
#include "camsim/pattern_scene.h"
#include "camsim/room_scene.h"
#include "config/notifier.h"
#include "config/parameter_model.h"
#include "config/parameter_panel.h"
#include "config/testing/recording_notifier.h"
#include "display/centre_readout.h"
#include "display/rendering_model.h"
#include "export/point_frame.h"
#include "frame/frame_decode.h"
#include "link/camera_link.h"
#include "link/testing/scripted_serial.h"
#include "logging/log_files.h"
#include "logging/log_writer.h"
#include "logging/testing/log_test_support.h"
#include "recording/recording_writer.h"
#include "testing/temp_folder.h"

namespace kelvara {
namespace {

bool IsPlaneRow(const FormatFacts& f) { return f.family == FrameFamily::kPlane; }

int16_t Load16(const unsigned char* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

// The simulator's two scenes, each asked for a frame of every format.
std::vector<const unsigned char*> SimulatorFrames(int format_index, camsim::PatternFrames* pattern,
                                                  camsim::RoomScene* room) {
  camsim::CameraParameters p;
  p.format_code = kFormats[format_index].code;
  return {pattern->Frame(p, 0.0), room->Frame(p, 0.0)};
}

TEST(FormatConsumersTest, TheSimulatorLaysOutFramesAsTheTableSays) {
  camsim::PatternFrames pattern;
  camsim::RoomScene room(1, /*noise=*/false);
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    for (const unsigned char* frame : SimulatorFrames(i, &pattern, &room)) {
      const bool has_pcd_header = std::string(reinterpret_cast<const char*>(frame), kPcdHeaderBytes) ==
                                  std::string(pattern::kPcdHeader, kPcdHeaderBytes);
      EXPECT_EQ(has_pcd_header, !IsPlaneRow(kFormats[i]));
    }
  }
  // The pattern scene's samples sit where the table puts them.
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    const FormatFacts& f = kFormats[i];
    const std::vector<unsigned char> frame = pattern::Frame(i);
    const int r = 17, c = 33, pixel = r * kFrameWidth + c;
    if (IsPlaneRow(f)) {
      const int16_t first = Load16(frame.data() + 2 * pixel);
      EXPECT_EQ(first, f.first_plane == FirstPlane::kAmplitude ? pattern::Amplitude(r, c) : pattern::Distance(r, c));
    }
    if (f.amplitude_offset >= 0) {
      EXPECT_EQ(Load16(frame.data() + f.amplitude_offset + 2 * pixel), pattern::Amplitude(r, c));
    }
  }
}

TEST(FormatConsumersTest, DecodingRenderingAndReadoutFollowTheTable) {
  FrameDecoder decoder;
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    const FormatFacts& f = kFormats[i];
    const std::vector<unsigned char> frame = pattern::Frame(i);
    DisplayPlanes planes;
    ASSERT_TRUE(decoder.DecodeFrame(i, frame.data(), frame.size(), &planes));
    // Plane frames are shown in place; point frames are decoded into distances.
    EXPECT_EQ(planes.bytes == frame.data(), IsPlaneRow(f));

    EXPECT_EQ(ImageCountOfFormat(i), f.images);
    EXPECT_EQ(UsesAmplitudeMapping(i, 0), f.first_plane == FirstPlane::kAmplitude);
    if (f.images == 2) {
      EXPECT_TRUE(UsesAmplitudeMapping(i, 1));
    }

    // The amplitude readout has no unit; distances are in mm.
    const std::string readout = CentreReadout(i, 100);
    EXPECT_EQ(readout.find("mm") == std::string::npos, f.first_plane == FirstPlane::kAmplitude);

    EXPECT_EQ(viewer::DataCommandOfFormat(i), IsPlaneRow(f) ? viewer::CMD_DISTANCE_DATA : viewer::CMD_COORDINATE_DATA);
  }
}

// The names the table's log flags stand for, for log number 1 of run "f".
std::set<std::string> FilesOfRow(const FormatLogs& logs) {
  std::set<std::string> files;
  if (logs.png) files.insert("f_0001.png");
  if (logs.plane_csv) files.insert("f_0001.csv");
  if (logs.raw) files.insert("f_body_0001.raw");
  if (logs.pcd) files.insert("f_0001.pcd");
  if (logs.xyz_csv) files.insert({"f_x_0001.csv", "f_y_0001.csv", "f_z_0001.csv"});
  if (logs.amp_csv) files.insert("f_amp_0001.csv");
  return files;
}

TEST(FormatConsumersTest, TheLogWriterWritesTheFilesOfTheRow) {
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    testing_support::TempDir dir;
    LogWriter writer;
    writer.SetPngSaver([](const std::string& path) { return WriteFileBlock(path, "png", 3); });
    writer.SetCsvCheck(true);
    writer.SetPngCheck(true);
    writer.SetBinCheck(true);
    writer.SetPcdCheck(true);
    writer.SetFormatIndex(i);
    writer.StartRun(dir.path(), "f");
    const std::vector<unsigned char> frame = pattern::Frame(i);
    writer.WriteFrameLogs(1, frame.data(), frame.size());
    EXPECT_EQ(testing::FilesUnder(dir.path()), FilesOfRow(kFormats[i].logs));
    EXPECT_EQ(writer.FirstFailure(), "");
  }
}

class RotationPanel : public ParameterPanel {
 public:
  void ShowValues(const DeviceParameters&) override {}
  void SetRotationControlsEnabled(bool enabled) override { rotation = enabled; }
  void SetParameterPanelEnabled(bool) override {}
  void SetWaitCursor(bool) override {}
  bool rotation = false;
};

TEST(FormatConsumersTest, TheRotationControlsFollowTheRow) {
  ScriptedSerial serial;  // choosing a format sends nothing
  CameraLink link(serial);
  RecordingNotifier notifier;
  RotationPanel panel;
  ParameterModel model(link, notifier, &panel);
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    model.SelectFormatByCode(kFormats[i].code);
    EXPECT_EQ(model.parameters().format.current, i);
    EXPECT_EQ(panel.rotation, kFormats[i].rotated);
  }
}

TEST(FormatConsumersTest, TheExporterTakesPointsFromThePointFormatsOnly) {
  kelvara::testing::TempFolder folder("kelvara-formats");
  for (int i = 0; i < kFormatCount; ++i) {
    SCOPED_TRACE(kFormats[i].name);
    const std::string path = folder.Path("r" + std::to_string(i) + ".kvrec");
    recording::RecordingHeader header;
    header.format_code = kFormats[i].code;
    const std::vector<unsigned char> frame = pattern::Frame(i);
    recording::RecordingWriter writer;
    ASSERT_TRUE(writer.Open(path, header) &&
                writer.Append(recording::RecordKind::kFrame, 0, frame.data(), static_cast<uint32_t>(frame.size())) &&
                writer.Close());
    cloud::PointFrameSource source;
    std::string error;
    EXPECT_EQ(source.Open(path, -1, &error), kFormats[i].family == FrameFamily::kPoint) << error;
  }
}

}  // namespace
}  // namespace kelvara
