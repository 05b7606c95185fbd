#include "trends/trends_window.h"

#include <gtest/gtest.h>

#include <QChart>
#include <QLabel>
#include <QLineSeries>
#include <QTest>
#include <vector>

#include "camera_facts/frame_geometry.h"
#include "camsim/pattern_scene.h"
#include "display/rendering_model.h"
#include "frame/frame_decode.h"
#include "trends/histogram_view.h"

namespace kelvara {
namespace {

TemperatureSample Flat(int tenths) {
  TemperatureSample s;
  s.upper_left = s.upper_right = s.lower_left = s.lower_right = static_cast<int16_t>(tenths);
  s.led = static_cast<int16_t>(tenths + 30);
  return s;
}

class TrendsWindowTest : public ::testing::Test {
 protected:
  TrendsWindowTest() : window_(model_, WarmUpThresholds{}, [this] { return clock_; }) {
    window_.SetWarmUpListener([this](WarmUpState s) { states_.push_back(s); });
    window_.SetRangeListener([this](int minimum, int maximum) { ranges_.push_back({minimum, maximum}); });
  }
  void ShowPattern() {
    window_.resize(700, 600);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    model_.display_format = 1;  // distance and amplitude planes
    frame_ = pattern::Frame(1);
    model_.RenderFrame(DisplayPlanes{frame_.data()});
    window_.FrameRendered();
  }

  RenderingModel model_;
  double clock_ = 500;
  TrendsWindow window_;
  std::vector<WarmUpState> states_;
  std::vector<ViewRange> ranges_;
  std::vector<unsigned char> frame_;
};

TEST_F(TrendsWindowTest, NamesOfTheWindowAndItsParts) {
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("Trends"));
  EXPECT_EQ(window_.accessibleName(), QStringLiteral("Trends"));
  EXPECT_EQ(window_.Histogram()->accessibleName(), QStringLiteral("Distance histogram"));
  QLabel* warm_up = nullptr;
  for (QLabel* label : window_.findChildren<QLabel*>()) {
    if (label->accessibleName() == QStringLiteral("Warm-up state")) warm_up = label;
  }
  ASSERT_NE(warm_up, nullptr);
  EXPECT_EQ(warm_up->text(), QStringLiteral("Warm-up: --"));
}

TEST_F(TrendsWindowTest, TrendsAndWarmUpFollowTheMonitor) {
  // A minute rising 1 degree a minute, then two flat minutes; the centre
  // readout without a distance at first.
  for (int i = 0; i <= 60; ++i, clock_ += 1) {
    window_.SetCentreReadout(i == 0 ? "- - mm" : "  812 mm");
    window_.AddMonitor(Flat(300 + i / 6));
  }
  EXPECT_EQ(window_.WarmUp(), WarmUpState::kWarmingUp);
  for (int i = 0; i < 180; ++i, clock_ += 1) window_.AddMonitor(Flat(310));
  EXPECT_EQ(states_, (std::vector<WarmUpState>{WarmUpState::kWarmingUp, WarmUpState::kStable}));
  // A sample not read is no point.
  TemperatureSample not_read = Flat(400);
  not_read.sampled = -1;
  window_.AddMonitor(not_read);
  EXPECT_EQ(window_.Points(), 241);

  const QList<QAbstractSeries*> series = window_.Chart()->series();
  ASSERT_EQ(series.size(), 6);
  auto* led = static_cast<QLineSeries*>(series[0]);
  EXPECT_EQ(led->name(), QStringLiteral("LED"));
  EXPECT_DOUBLE_EQ(led->at(0).y(), 33.0);
  EXPECT_DOUBLE_EQ(led->at(240).x(), 4.0);  // minutes since the first point
  auto* centre = static_cast<QLineSeries*>(series[5]);
  EXPECT_EQ(centre->count(), 240);  // the first point had no distance
  EXPECT_DOUBLE_EQ(centre->at(0).y(), 812.0);
}

TEST_F(TrendsWindowTest, ALongSessionKeepsItsWholeSpanInBoundedPoints) {
  const int seconds = 3 * TrendsWindow::kMaxPoints;
  for (int i = 0; i <= seconds; ++i, clock_ += 1) window_.AddMonitor(Flat(300 + i / 600));
  EXPECT_LE(window_.Points(), TrendsWindow::kMaxPoints);
  EXPECT_GT(window_.Points(), TrendsWindow::kMaxPoints / 4);
  auto* led = static_cast<QLineSeries*>(window_.Chart()->series()[0]);
  EXPECT_DOUBLE_EQ(led->at(0).x(), 0.0);
  EXPECT_NEAR(led->at(led->count() - 1).x(), seconds / 60.0, 0.1);  // still up to the latest minute
}

TEST_F(TrendsWindowTest, HistogramOfTheFrameOnScreenWithTheViewRange) {
  model_.range_min = 1000;
  model_.range_max = 5000;
  ShowPattern();
  int valid = 0;
  const DisplayPlanes planes{frame_.data()};
  for (int i = 0; i < kImagePixels; ++i) {
    const int d = planes.Sample(0, i);
    if (d >= 0 && d < kDistanceLimitMm) ++valid;
  }
  ASSERT_GT(valid, 0);
  EXPECT_EQ(window_.Histogram()->Histogram().valid, valid);
  EXPECT_EQ(window_.Histogram()->Range(), (ViewRange{1000, 5000}));
}

TEST_F(TrendsWindowTest, DraggingAMarkerSetsTheRange) {
  model_.range_min = 1000;
  model_.range_max = 5000;
  ShowPattern();
  HistogramView* view = window_.Histogram();
  const int y = view->height() / 2;
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->ColumnOf(1000), y));
  QTest::mouseMove(view, QPoint(view->ColumnOf(2000), y));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->ColumnOf(3000), y));
  ASSERT_EQ(ranges_.size(), 1u);
  EXPECT_NEAR(ranges_[0].minimum, 3000, 30);  // one pixel column
  EXPECT_EQ(ranges_[0].maximum, 5000);

  // The maximum marker dragged below the minimum stops just above it.
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->ColumnOf(5000), y));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->ColumnOf(500), y));
  ASSERT_EQ(ranges_.size(), 2u);
  EXPECT_EQ(ranges_[1].maximum, ranges_[1].minimum + 1);

  // A press away from both markers drags nothing.
  QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->ColumnOf(10000), y));
  QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->ColumnOf(11000), y));
  EXPECT_EQ(ranges_.size(), 2u);
}

}  // namespace
}  // namespace kelvara
