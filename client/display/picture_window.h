#pragma once
// CViewPicture: the picture window (Qt), a top-level window the user cannot
// close, painting the rendering model's images. This header is what the main
// dialog uses of it.
#include <QEvent>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <functional>
#include <optional>

#include "display/distance_measure.h"
#include "display/picture_layout.h"
#include "display/pixel_readout.h"

namespace kelvara {

class RenderingModel;

class CViewPicture : public QWidget {
  Q_OBJECT
 public:
  // `model` outlives the window; the measurement loop renders into it.
  explicit CViewPicture(RenderingModel& model, QWidget* parent = nullptr);
  ~CViewPicture() override;

  void ClearImages();  // empty images until the next frame
  void SetDisplayFormat(int format_index);
  void SetRange(int minimum, int maximum);
  void SetMirror(int mirror_x, int mirror_y);  // repaints with erasing
  void SetCenterMark(int on);                  // repaints with erasing
  // A new frame was rendered (posted from the measurement loop): repaint
  // without erasing; repaints are coalesced.
  void FrameRendered();
  // The same from any thread: posts one event to the window unless one is
  // already waiting, so frames that come faster than the screen paints
  // never queue up; the window paints the newest frame.
  void PostFrameRendered();
  // The event type PostFrameRendered posts.
  static QEvent::Type FrameRenderedEventType();

  // What the last paint drew (tests and accessibility): the layout, and the
  // readout lines of every image under the click point.
  PictureLayout LastLayout() const { return last_layout_; }
  QStringList LastReadout() const { return last_readout_; }
  QPoint ClickPoint() const { return click_; }
  int CenterMark() const { return centre_mark_; }

  // Hears the readout of the pixel under the mouse ("Pixel (160, 120):
  // ..."), at every move and every new frame; an empty text when the mouse
  // is over no image.
  void SetPixelListener(std::function<void(const QString&)> listener) { pixel_listener_ = std::move(listener); }
  // Gives the readout the point record (x, y, z in mm) of a pixel (index
  // 0..76799) of the frame on screen, or nothing for a plane format.
  void SetPointSource(std::function<std::optional<PointMm>(int)> source) { point_source_ = std::move(source); }
  // Shift+click marks the camera pixels to measure between (A, then B, a
  // third starts again; a plain click clears them). The listener hears the
  // marks whenever they change and, while two are marked, at every new
  // frame, so that the distance follows the live frames.
  void SetMeasureListener(std::function<void(const MeasureMarks&)> listener) {
    measure_listener_ = std::move(listener);
  }
  const MeasureMarks& Marks() const { return marks_; }
  // The measuring lines the last paint drew, one per image (tests).
  QList<QLineF> LastMeasureLines() const { return last_measure_lines_; }
  // The picture is the last one of a run that has ended: drawn washed out.
  void SetStale(bool stale);
  bool Stale() const { return stale_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  RenderingModel& model_;
  QPoint click_{0, 0};
  int centre_mark_ = 1;
  std::atomic<bool> frame_pending_{false};
  QImage images_[2];   // the display images as drawn (mirrors applied)
  QImage legends_[2];  // distance, amplitude; row 255 at the top
  PictureLayout last_layout_;
  QStringList last_readout_;
  std::function<void(const QString&)> pixel_listener_;
  std::function<std::optional<PointMm>(int)> point_source_;
  QPoint hover_{-1, -1};
  bool stale_ = false;
  MeasureMarks marks_;
  std::function<void(const MeasureMarks&)> measure_listener_;
  QList<QLineF> last_measure_lines_;

  void ReportHover();
  // Marks the camera pixel under `at` (Shift+click); nothing outside the images.
  void MarkAt(const QPoint& at);
  void ReportMarks();
  void DrawMarks(QPainter& painter, const PictureLayout& layout, bool mirror_x, bool mirror_y);
};

}  // namespace kelvara
