#include "viewer/render_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "testing/temp_folder.h"
#include "viewer/data_files.h"

namespace kelvara {
namespace viewer {
namespace {

class RecordingView : public CloudView {
 public:
  void showCloud(const CloudPtr& cloud) override { shown.push_back(cloud); }
  void placeCameraForRange(int rangeMin, int rangeMax) override { cameras.emplace_back(rangeMin, rangeMax); }
  std::vector<CloudPtr> shown;
  std::vector<std::pair<int, int>> cameras;
};

class RenderCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    // A table whose only zero is at column 10, row 20; all else 0.5 degrees.
    std::string text;
    for (int r = 0; r < 240; ++r)
      for (int c = 0; c < 320; ++c)
        text += std::string((r == 20 && c == 10) ? "0.0" : "0.5") + (c < 319 ? "," : "\r\n");
    tablePath_ = write("angle.csv", text);
    // Every pixel at 1000 mm.
    std::string d(kDistanceFileBytes, '\0');
    for (int i = 0; i < kPixelCount; ++i) {
      d[2 * i] = static_cast<char>(1000 & 0xFF);
      d[2 * i + 1] = static_cast<char>(1000 >> 8);
    }
    dataPath_ = write("data_0.bin", d);
  }

  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  int apply(const PipeCommand& command) {
    mailbox_.post(command);
    int kind = applyPendingCommand(&mailbox_, &state_, &view_);
    EXPECT_TRUE(mailbox_.isEmpty());
    return kind;
  }

  static PipeCommand command(int kind, std::string path = "", int a = 0, int b = 0, float ratio = 0) {
    PipeCommand c;
    c.kind = kind;
    c.path = std::move(path);
    c.rangeMin = c.colorMin = a;
    c.rangeMax = c.colorMax = b;
    c.ratio = ratio;
    return c;
  }

  kelvara::testing::TempFolder folder_{"kelvara-render"};
  std::string dir_, tablePath_, dataPath_;
  CommandMailbox mailbox_;
  RenderState state_;
  RecordingView view_;
};

TEST_F(RenderCommandsTest, EachKindChangesItsPartOfTheState) {
  EXPECT_EQ(applyPendingCommand(&mailbox_, &state_, &view_), 0);  // nothing pending

  apply(command(CMD_ANGLE_TABLE, tablePath_));
  EXPECT_EQ(state_.table.rows(), 240);
  EXPECT_EQ(state_.center.cx, 10);
  EXPECT_EQ(state_.center.cy, 20);

  // Range, ratio and colour range change no cloud; only the camera follows
  // a distance range, even an unchanged one.
  apply(command(CMD_DISTANCE_RANGE, "", 500, 4000));
  apply(command(CMD_DISTANCE_RANGE, "", 500, 4000));
  apply(command(CMD_DISTANCE_RATIO, "", 0, 0, 2.0f));
  apply(command(CMD_COLOR_RANGE, "", 900, 1100));
  EXPECT_TRUE(view_.shown.empty());
  ASSERT_EQ(view_.cameras.size(), 2u);
  EXPECT_EQ(view_.cameras[1], std::make_pair(500, 4000));
  EXPECT_EQ(state_.settings.ratio, 2.0f);
  EXPECT_EQ(state_.settings.colorMin, 900);

  // The next data command uses all of them: z doubled, shift (4000-500)/40.
  apply(command(CMD_DISTANCE_DATA, dataPath_));
  ASSERT_EQ(view_.shown.size(), 1u);
  ASSERT_EQ(view_.shown[0]->size(), 76800u);
  EXPECT_NEAR(view_.shown[0]->points[20 * 320 + 10].z, 100.0f - 87, 1e-4);
  EXPECT_EQ(state_.cloud, view_.shown[0]);

  // A coordinate file that does not exist: an empty cloud is shown.
  apply(command(CMD_COORDINATE_DATA, dir_ + "/missing.bin"));
  ASSERT_EQ(view_.shown.size(), 2u);
  EXPECT_EQ(view_.shown[1]->size(), 0u);
}

TEST_F(RenderCommandsTest, AMissingTableReplacesAGoodOneButKeepsTheCentre) {
  apply(command(CMD_ANGLE_TABLE, tablePath_));
  apply(command(CMD_ANGLE_TABLE, dir_ + "/missing.csv"));
  EXPECT_TRUE(state_.table.empty());
  EXPECT_EQ(state_.center.cx, 10);
  apply(command(CMD_DISTANCE_DATA, dataPath_));
  ASSERT_EQ(view_.shown.size(), 1u);
  EXPECT_EQ(view_.shown[0]->size(), 0u);
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
