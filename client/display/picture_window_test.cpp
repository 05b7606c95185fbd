#include "display/picture_window.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <atomic>
#include <thread>

#include "camsim/pattern_scene.h"
#include "display/colour_table.h"
#include "display/rendering_model.h"
#include "display/sample_mapping.h"
#include "display/testing/temp_profile.h"
#include "frame/frame_decode.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

using testing_support::TempProfile;

constexpr QRgb kWhite = 0xffffffffu;

QRgb Opaque(uint32_t word) { return word | 0xff000000u; }

// Counts the events of one type that reach a window.
class EventCounter : public QObject {
 public:
  explicit EventCounter(QEvent::Type type) : type_(type) {}
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == type_) ++count;
    return false;
  }

 private:
  QEvent::Type type_;
};

class PictureWindowTest : public ::testing::Test {
 protected:
  // A shown window of the given client size, showing the pattern frame of a
  // format, decoded as the measurement loop decodes it.
  void Show(int format, int width, int height) {
    model_.display_format = format;
    window_ = std::make_unique<CViewPicture>(model_);
    window_->resize(width, height);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    frame_ = pattern::Frame(format);
    DisplayPlanes planes;
    ASSERT_TRUE(decoder_.DecodeFrame(format, frame_.data(), frame_.size(), &planes));
    model_.RenderFrame(planes);
    window_->FrameRendered();
  }
  QImage Grab() { return window_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  void ClickAt(int x, int y) { QTest::mouseClick(window_.get(), Qt::LeftButton, {}, QPoint(x, y)); }

  int16_t Plane0(int r, int c) const {
    return model_.display_format == 0 ? pattern::Amplitude(r, c) : pattern::Distance(r, c);
  }

  TempProfile profile_;
  RenderingModel model_;
  std::unique_ptr<CViewPicture> window_;
  std::vector<unsigned char> frame_;
  FrameDecoder decoder_;
};

TEST_F(PictureWindowTest, ShowsOnlyTheBackgroundBeforeTheFirstFrame) {
  window_ = std::make_unique<CViewPicture>(model_);
  window_->resize(420, 280);
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  const QImage image = Grab();
  const QRgb background = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 7)
    for (int x = 0; x < image.width(); x += 7) ASSERT_EQ(image.pixel(x, y), background) << x << "," << y;
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Qor Imager - Image View"));
}

// One image at 1:1 scale (420 x 280 gives a 320 x 240 image at (40, 20)):
// every drawn pixel is the display colour of the sample the flips put there.
TEST_F(PictureWindowTest, DrawsThePatternWithEachFlip) {
  Show(1, 420, 280);
  window_->SetCenterMark(0);
  const MappingSettings settings = model_.CurrentMapping();
  const struct { int mirror_x, mirror_y; } flips[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  const int rows[] = {0, 1, 5, 119, 120, 238, 239};
  const int columns[] = {0, 1, 2, 3, 4, 5, 6, 7, 100, 318, 319};
  for (const auto& f : flips) {
    window_->SetMirror(f.mirror_x, f.mirror_y);
    const QImage image = Grab();
    for (int r : rows) {
      for (int c : columns) {
        const int x = 40 + (f.mirror_x ? 319 - c : c);
        const int y = 20 + (f.mirror_y ? 239 - r : r);
        ASSERT_EQ(image.pixel(x, y), Opaque(MapDistance(pattern::Distance(r, c), settings)))
            << "flip " << f.mirror_x << f.mirror_y << " sample " << r << "," << c;
      }
    }
  }
  // Known colours: distance 400 at (0, 0) is table colour 3; the special
  // pixels of row 5 are black, saturation and overflow.
  window_->SetMirror(0, 0);
  const QImage image = Grab();
  EXPECT_EQ(image.pixel(40, 20), qRgb(176, 0, 0));
  EXPECT_EQ(image.pixel(40 + 0, 25), qRgb(0, 0, 0));       // 30000
  EXPECT_EQ(image.pixel(40 + 1, 25), qRgb(255, 0, 128));   // 31000
  EXPECT_EQ(image.pixel(40 + 2, 25), qRgb(169, 14, 255));  // 32000
  EXPECT_EQ(image.pixel(40 + 3, 25), qRgb(255, 0, 128));   // -1
  EXPECT_EQ(image.pixel(40 + 4, 25), qRgb(169, 14, 255));  // -16385
  // Sample row 0 at the bottom with mirror_y (the panel's default).
  window_->SetMirror(0, 1);
  EXPECT_EQ(Grab().pixel(40, 20 + 239), qRgb(176, 0, 0));
}

TEST_F(PictureWindowTest, ScalesByRepeatingPixels) {
  // 740 x 520: d = 640, e = 480, twice the camera's size.
  Show(0, 740, 520);
  window_->SetCenterMark(0);
  window_->SetMirror(0, 0);
  const MappingSettings settings = model_.CurrentMapping();
  const QImage image = Grab();
  for (int r : {0, 5, 77, 239}) {
    for (int c : {0, 1, 2, 3, 150, 319}) {
      const QRgb expected = Opaque(MapAmplitude(pattern::Amplitude(r, c), settings));
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx)
          ASSERT_EQ(image.pixel(40 + 2 * c + dx, 20 + 2 * r + dy), expected) << r << "," << c;
    }
  }
}

TEST_F(PictureWindowTest, CentreMarkIsAWhiteCross) {
  Show(1, 420, 280);
  window_->SetMirror(0, 0);
  // The image (40, 20, 320, 240): cx = 200, cy = 140, cross around (199, 139).
  QImage image = Grab();
  for (int k = -4; k <= 4; ++k) {
    EXPECT_EQ(image.pixel(199, 139 + k), kWhite) << k;
    EXPECT_EQ(image.pixel(199 + k, 139), kWhite) << k;
  }
  EXPECT_NE(image.pixel(199, 144), kWhite);
  EXPECT_NE(image.pixel(204, 139), kWhite);
  EXPECT_NE(image.pixel(200, 140), kWhite);
  window_->SetCenterMark(0);
  image = Grab();
  EXPECT_EQ(image.pixel(199, 139), Opaque(MapDistance(pattern::Distance(119, 159), model_.CurrentMapping())));
}

TEST_F(PictureWindowTest, ProbeReadoutAtTheLastClick) {
  Show(1, 420, 280);
  window_->SetMirror(0, 1);
  Grab();
  EXPECT_TRUE(window_->LastReadout().isEmpty());
  // Displayed column 10, row 234: sample row 5 with mirror_y; the readout
  // names the camera's column and row, as the logs and the pattern do.
  ClickAt(50, 254);
  QImage image = Grab();
  EXPECT_EQ(window_->LastReadout(), (QStringList{"(010, 005)", "490mm"}));
  bool marker = false;
  for (int y = 252; y <= 256; ++y)
    for (int x = 48; x <= 52; ++x) marker |= image.pixel(x, y) == qRgb(255, 128, 255);
  EXPECT_TRUE(marker);
  // The readout follows every new frame at that point.
  ClickAt(41, 254);  // sample (5, 1): the saturation code
  Grab();
  EXPECT_EQ(window_->LastReadout(), (QStringList{"(001, 005)", "- - mm"}));
  ClickAt(43, 254);  // sample (5, 3): -1
  Grab();
  EXPECT_EQ(window_->LastReadout(), (QStringList{"(003, 005)", "-1mm"}));
  // The image's left and top edges are outside.
  ClickAt(40, 100);
  Grab();
  EXPECT_TRUE(window_->LastReadout().isEmpty());
  ClickAt(100, 20);
  Grab();
  EXPECT_TRUE(window_->LastReadout().isEmpty());
  // A resize forgets the click.
  ClickAt(50, 254);
  window_->resize(430, 290);
  QTest::qWait(0);
  Grab();
  EXPECT_TRUE(window_->LastReadout().isEmpty());
}

TEST_F(PictureWindowTest, TwoImagesWithTheirLegendsAndLabels) {
  // 840 x 400: d = 640, e = 240, T = 80; images at (40, 80) and (436, 80),
  // legends 16 wide at x = 370 and x = 766 from y 94 to 304.
  model_.range_min = 250;
  model_.range_max = 5000;
  Show(4, 840, 400);
  window_->SetMirror(0, 0);
  window_->SetCenterMark(0);
  const QImage image = Grab();
  const MappingSettings settings = model_.CurrentMapping();
  EXPECT_EQ(image.pixel(40 + 7, 80 + 5), Opaque(MapDistance(pattern::Distance(5, 7), settings)));
  EXPECT_EQ(image.pixel(40 + 300, 80 + 200), Opaque(MapDistance(pattern::Distance(200, 300), settings)));
  EXPECT_EQ(image.pixel(436 + 300, 80 + 200), Opaque(MapAmplitude(pattern::Amplitude(200, 300), settings)));
  EXPECT_EQ(image.pixel(436 + 0, 80 + 5), qRgb(169, 14, 255));  // amplitude 510
  // Legends: far colour and white at the top, near colour and black at the bottom.
  EXPECT_EQ(image.pixel(375, 95), qRgb(0, 0, 128));
  EXPECT_EQ(image.pixel(375, 302), qRgb(128, 0, 0));
  // (210 rows show the 256 legend rows: a grey level or two is dropped.)
  EXPECT_GE(qGray(image.pixel(770, 95)), 250);
  EXPECT_LE(qGray(image.pixel(770, 302)), 5);
  const PictureLayout layout = window_->LastLayout();
  ASSERT_EQ(layout.labels.size(), 4u);
  EXPECT_EQ(layout.labels[0].text, " 5000 mm");
  EXPECT_EQ(layout.labels[1].text, "  250 mm");
  EXPECT_EQ(layout.labels[2].text, " 255");
  EXPECT_EQ(layout.labels[3].text, "   0");
  // The labels are drawn: dark text pixels next to each legend.
  for (const TextPlacement& label : layout.labels) {
    bool dark = false;
    for (int y = label.y; y < label.y + 12; ++y)
      for (int x = label.x; x < label.x + 40; ++x) dark |= qGray(image.pixel(x, y)) < 96;
    EXPECT_TRUE(dark) << label.text;
  }

  // Left image: coordinates, distance and amplitude; right image: two lines.
  ClickAt(40 + 10, 80 + 20);
  Grab();
  EXPECT_EQ(window_->LastReadout(), (QStringList{"(010, 020)", "730mm", "40"}));
  ClickAt(436 + 10, 80 + 20);
  Grab();
  EXPECT_EQ(window_->LastReadout(), (QStringList{"(010, 020)", "40"}));
}

TEST_F(PictureWindowTest, OneImageLegendAndLabels) {
  Show(1, 420, 280);
  window_->SetCenterMark(0);
  const QImage image = Grab();
  // Legend 32 wide at x = 370 from y 34 to 244.
  EXPECT_EQ(image.pixel(371, 34), qRgb(0, 0, 128));
  EXPECT_EQ(image.pixel(401, 243), qRgb(128, 0, 0));
  EXPECT_NE(image.pixel(402, 100), qRgb(0, 0, 128));
  const PictureLayout layout = window_->LastLayout();
  ASSERT_EQ(layout.labels.size(), 2u);
  EXPECT_EQ(layout.labels[0].text, " 6250 mm");
  EXPECT_EQ(layout.labels[1].text, "    0 mm");
  EXPECT_EQ(layout.labels[1].y, 248);
}

TEST_F(PictureWindowTest, ClearImagesBlanksUntilTheNextFrame) {
  Show(1, 420, 280);
  const QRgb background = Grab().pixel(0, 0);
  window_->ClearImages();
  EXPECT_EQ(Grab().pixel(100, 100), background);
  EXPECT_FALSE(window_->LastLayout().visible);
  model_.RenderFrame(DisplayPlanes{frame_.data()});
  EXPECT_NE(Grab().pixel(100, 100), background);
}

TEST_F(PictureWindowTest, TinyWindowsDrawNothingAndDoNotFail) {
  Show(4, 420, 280);
  for (QSize size : {QSize(130, 300), QSize(3, 2), QSize(1, 1), QSize(260, 1000)}) {
    window_->resize(size);
    QTest::qWait(0);
    ClickAt(size.width() / 2, size.height() / 2);
    Grab();
    EXPECT_FALSE(window_->LastLayout().visible) << size.width() << "x" << size.height();
  }
}

TEST_F(PictureWindowTest, TheUserCannotCloseIt) {
  Show(1, 420, 280);
  EXPECT_FALSE(window_->close());
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  QTest::keyClick(window_.get(), Qt::Key_Return);
  QTest::qWait(0);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(PictureWindowTest, ProfileKeysReadAndWrittenBack) {
  IniWriteInt("View", "AmpGain", 3);
  IniWriteInt("View", "Saturation", 0);
  window_ = std::make_unique<CViewPicture>(model_);
  EXPECT_EQ(model_.amp_gain.load(), 3);
  EXPECT_EQ(model_.saturation.load(), 0);
  EXPECT_EQ(model_.overflow.load(), 1);
  model_.overflow = 0;
  window_.reset();
  EXPECT_EQ(profile_.ReadInt("View", "AmpGain"), 3);
  EXPECT_EQ(profile_.ReadInt("View", "Saturation"), 0);
  EXPECT_EQ(profile_.ReadInt("View", "Overflow"), 0);
}

// Frames rendered faster than the window paints: one event waits at most,
// and the paint shows the newest frame.
TEST_F(PictureWindowTest, FrameNotificationsCoalesce) {
  Show(1, 420, 280);
  window_->SetCenterMark(0);
  window_->SetMirror(0, 0);
  QCoreApplication::processEvents();
  EventCounter frames(CViewPicture::FrameRenderedEventType());
  EventCounter paints(QEvent::Paint);
  window_->installEventFilter(&frames);
  window_->installEventFilter(&paints);

  std::vector<unsigned char> other = pattern::Frame(1);
  std::fill(other.begin(), other.begin() + 2 * 76800, 0);  // every distance 0: colour 0
  std::thread worker([&] {
    for (int i = 0; i < 500; ++i) {
      model_.RenderFrame(DisplayPlanes{(i % 2 ? frame_ : other).data()});
      window_->PostFrameRendered();
    }
  });
  worker.join();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(frames.count, 1);
  EXPECT_LE(paints.count, 1);
  // The last frame rendered was `frame_` (i = 499).
  EXPECT_EQ(Grab().pixel(40, 20), qRgb(176, 0, 0));
  window_->removeEventFilter(&frames);
  window_->removeEventFilter(&paints);
}

// The "Pixel" item under the mouse: point formats add the pixel's point
// record, taken from the frame on screen; sample codes read as their meaning
// and carry no point.
TEST_F(PictureWindowTest, HoverReadsThePixelAndForPointFormatsItsPoint) {
  const struct {
    int format, row, column;
    const char* text;
  } cases[] = {
      {0, 100, 50, "Pixel (50, 100): amplitude 200"},
      {1, 100, 50, "Pixel (50, 100): 2050 mm"},
      {1, 5, 7, "Pixel (7, 5): 12499 mm"},
      {2, 100, 50, "Pixel (50, 100): 2053 mm, x -110 y 20 z 2050 mm"},
      {2, 5, 7, "Pixel (7, 5): 5 mm, x 3 y 4 z 0 mm"},
      {2, 5, 6, "Pixel (6, 5): 12499 mm, x -12499 y 0 z 0 mm"},
      {2, 5, 1, "Pixel (1, 5): saturated"},
      {2, 5, 2, "Pixel (2, 5): overflow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    SCOPED_TRACE(c.text);
    Show(c.format, 420, 280);
    std::vector<unsigned char> shown = frame_;
    window_->SetPointSource([&shown, format = c.format](int index) -> std::optional<PointMm> {
      PointRecord p;
      if (!PointRecordAt(format, shown.data(), shown.size(), index, &p)) return std::nullopt;
      return PointMm{p.x, p.y, p.z};
    });
    QString heard = "nothing";
    window_->SetPixelListener([&heard](const QString& text) { heard = text; });
    Grab();
    // The image's top left corner lies at (40, 20), one window pixel per camera pixel.
    const QPoint at(40 + c.column, 20 + c.row);
    QMouseEvent move(QEvent::MouseMove, at, window_->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &move);
    EXPECT_EQ(heard.toStdString(), c.text);
  }
}

// Shift+click marks camera pixels A and B (the flips and the layout mapped
// as the click readout maps them); the picture draws a line between them
// and the listener hears the marks, again at every new frame; a third
// Shift+click starts again, a plain click clears the line.
TEST_F(PictureWindowTest, ShiftClicksMeasureBetweenTwoPixels) {
  Show(2, 420, 280);  // one image at 1:1 from (40, 20)
  window_->SetCenterMark(0);
  std::vector<unsigned char> shown = frame_;
  std::string heard;
  int heard_count = 0;
  window_->SetMeasureListener([&](const MeasureMarks& marks) {
    heard = Measure(marks, {shown.data(), shown.size(), 2}, RayTable()).text;
    ++heard_count;
  });
  auto shift_click = [&](QPoint at) { QTest::mouseClick(window_.get(), Qt::LeftButton, Qt::ShiftModifier, at); };
  // Where camera pixel (c, r) is drawn with the flips.
  auto drawn_at = [](int c, int r, bool mx, bool my) {
    return QPoint(40 + (mx ? 319 - c : c), 20 + (my ? 239 - r : r));
  };
  const struct { bool mx, my; } flips[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& f : flips) {
    SCOPED_TRACE(f.mx * 2 + f.my);
    window_->SetMirror(f.mx, f.my);
    ClickAt(5, 5);  // outside the image: no readout
    const QImage before = Grab();
    const QPoint a = drawn_at(10, 20, f.mx, f.my), b = drawn_at(100, 200, f.mx, f.my);
    shift_click(a);
    EXPECT_EQ(heard, "A (10, 20) - Shift+click a second pixel");
    shift_click(b);
    ASSERT_EQ(window_->Marks().count(), 2);
    EXPECT_EQ(window_->Marks().a().ix, 10);
    EXPECT_EQ(window_->Marks().a().iy, 20);
    // (-150, 100, 730) to (-60, -80, 3700).
    EXPECT_EQ(heard, "(10, 20) to (100, 200): 2976.8 mm");
    QImage image = Grab();
    ASSERT_EQ(window_->LastMeasureLines().size(), 1);
    const QLineF line = window_->LastMeasureLines().front();
    EXPECT_EQ(line.p1(), QPointF(a) + QPointF(0.5, 0.5));
    EXPECT_EQ(line.p2(), QPointF(b) + QPointF(0.5, 0.5));
    const QPoint middle = line.center().toPoint();
    EXPECT_NE(image.pixel(middle), before.pixel(middle));
    // A plain click (far from the line) clears the line and shows its readout.
    const QPoint elsewhere = drawn_at(250, 120, f.mx, f.my);
    ClickAt(elsewhere.x(), elsewhere.y());
    image = Grab();
    EXPECT_EQ(window_->Marks().count(), 0);
    EXPECT_EQ(heard, "");
    EXPECT_TRUE(window_->LastMeasureLines().isEmpty());
    EXPECT_EQ(window_->LastReadout().size(), 2);
    EXPECT_EQ(image.pixel(middle), before.pixel(middle));
  }

  // The marks are camera pixels: a flip moves the line with them.
  window_->SetMirror(0, 0);
  shift_click(drawn_at(7, 5, false, false));
  shift_click(drawn_at(6, 5, false, false));
  EXPECT_EQ(heard, "(7, 5) to (6, 5): 12502.0 mm");
  window_->SetMirror(1, 1);
  Grab();
  ASSERT_EQ(window_->LastMeasureLines().size(), 1);
  EXPECT_EQ(window_->LastMeasureLines().front().p1(), QPointF(40 + 312.5, 20 + 234.5));
  // The distance follows the frames: a new frame is measured again.
  const int before = heard_count;
  shown[kPcdHeaderBytes + (5 * 320 + 6) * kPointRecordBytes] = 0;  // x of (6, 5): -12499 -> -12544
  window_->FrameRendered();
  EXPECT_EQ(heard_count, before + 1);
  EXPECT_EQ(heard, "(7, 5) to (6, 5): no distance - (6, 5): saturated");
  // A third Shift+click starts again; outside the image nothing is marked.
  shift_click(QPoint(41, 21));
  EXPECT_EQ(window_->Marks().count(), 1);
  EXPECT_EQ(heard, "A (318, 238) - Shift+click a second pixel");
  shift_click(QPoint(5, 5));
  EXPECT_EQ(window_->Marks().count(), 1);
  Grab();
  EXPECT_TRUE(window_->LastMeasureLines().isEmpty());
}

TEST_F(PictureWindowTest, LogProgressRepaints) {
  Show(1, 420, 280);
  QCoreApplication::processEvents();
  EventCounter paints(QEvent::Paint);
  window_->installEventFilter(&paints);
  PostWindowMessage(window_.get(), UWM_LOG_PROGRESS, 1, 10);
  QTRY_VERIFY_WITH_TIMEOUT(paints.count >= 1, 5000);
  window_->removeEventFilter(&paints);
  EXPECT_GE(paints.count, 1);
}

}  // namespace
}  // namespace kelvara
